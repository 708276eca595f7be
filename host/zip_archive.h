#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sdk/file.h"

// One member of a zip archive as its central directory describes it.
struct zip_entry {
    std::string name;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint32_t compressed_size = 0;
    uint32_t size = 0;
    uint32_t local_header_offset = 0;
};

// Reads the central directory. Every offset is checked against the archive's
// size: a damaged archive raises exception_io_data, a multi-part or 64-bit
// one exception_io_unsupported_format.
std::vector<zip_entry> zip_read_directory(file& archive, abort_callback& abort);

// The member whose name equals inner ('\' and '/' count alike), or null.
const zip_entry* zip_find(const std::vector<zip_entry>& entries, const std::string& inner);

// The bytes of a stored (uncompressed) member, CRC-checked. Compressed or
// encrypted members raise exception_io_unsupported_format.
std::vector<uint8_t> zip_read_member(file& archive, const zip_entry& entry, abort_callback& abort);

