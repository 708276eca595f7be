#include "host/zip_archive.h"

#include <algorithm>
#include <array>

#include "host/crc32.h"
#include "sdk/exceptions.h"

namespace {

constexpr uint32_t end_signature = 0x06054b50;
constexpr uint32_t central_signature = 0x02014b50;
constexpr uint32_t local_signature = 0x04034b50;
constexpr uint32_t end_record_size = 22;
constexpr uint32_t central_header_size = 46;
constexpr uint32_t local_header_size = 30;
constexpr uint32_t max_comment = 0xFFFF;
constexpr uint16_t flag_encrypted = 0x0001;

[[noreturn]] void damaged() { throw sonmara_io::exception_io_data(); }
[[noreturn]] void unsupported() { throw sonmara_io::exception_io_unsupported_format(); }

// Little-endian fields of a byte block; a field outside the block is damage.
class fields {
public:
    explicit fields(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    uint16_t u16(uint64_t at) const {
        need(at, 2);
        return uint16_t(bytes_[at] | bytes_[at + 1] << 8);
    }
    uint32_t u32(uint64_t at) const {
        need(at, 4);
        return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16;
    }
    std::string text(uint64_t at, uint32_t length) const {
        need(at, length);
        return std::string(bytes_.begin() + at, bytes_.begin() + at + length);
    }

private:
    void need(uint64_t at, uint64_t length) const {
        if (at > bytes_.size() || length > bytes_.size() - at) damaged();
    }
    const std::vector<uint8_t>& bytes_;
};

// Reads length bytes at offset, which must lie inside the archive.
std::vector<uint8_t> read_at(file& archive, uint64_t archive_size, uint64_t offset, uint32_t length,
                             abort_callback& abort) {
    if (offset > archive_size || length > archive_size - offset) damaged();
    std::vector<uint8_t> bytes(length);
    archive.seek(offset, abort);
    if (length) archive.read_object(bytes.data(), length, abort);
    return bytes;
}

std::string normalise(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

}  // namespace

std::vector<zip_entry> zip_read_directory(file& archive, abort_callback& abort) {
    const uint64_t size = archive.get_size(abort);
    if (size < end_record_size) damaged();
    // The end record sits in the last 22 bytes plus at most a full comment.
    const uint32_t tail_length = static_cast<uint32_t>(std::min<uint64_t>(size, end_record_size + max_comment));
    const uint64_t tail_start = size - tail_length;
    const std::vector<uint8_t> tail = read_at(archive, size, tail_start, tail_length, abort);
    const fields tail_fields(tail);

    // The last signature whose record and comment fit in the file.
    uint64_t end = UINT64_MAX;
    for (uint32_t i = tail_length - end_record_size + 1; i-- > 0;) {
        if (tail_fields.u32(i) == end_signature && i + end_record_size + tail_fields.u16(i + 20) <= tail_length) {
            end = i;
            break;
        }
    }
    if (end == UINT64_MAX) damaged();

    const uint16_t disk = tail_fields.u16(end + 4);
    const uint16_t directory_disk = tail_fields.u16(end + 6);
    const uint16_t entries_here = tail_fields.u16(end + 8);
    const uint16_t entry_count = tail_fields.u16(end + 10);
    const uint32_t directory_size = tail_fields.u32(end + 12);
    const uint32_t directory_offset = tail_fields.u32(end + 16);
    if (disk != 0 || directory_disk != 0 || entries_here != entry_count) unsupported();
    if (directory_size == 0xFFFFFFFFu || directory_offset == 0xFFFFFFFFu) unsupported();
    if (uint64_t(directory_offset) + directory_size > tail_start + end) damaged();

    const std::vector<uint8_t> directory = read_at(archive, size, directory_offset, directory_size, abort);
    const fields record(directory);
    std::vector<zip_entry> entries;
    entries.reserve(entry_count);
    uint64_t at = 0;
    for (uint32_t i = 0; i < entry_count; ++i) {
        if (record.u32(at) != central_signature) damaged();
        zip_entry entry;
        entry.flags = record.u16(at + 8);
        entry.method = record.u16(at + 10);
        entry.crc = record.u32(at + 16);
        entry.compressed_size = record.u32(at + 20);
        entry.size = record.u32(at + 24);
        const uint16_t name_length = record.u16(at + 28);
        const uint16_t extra_length = record.u16(at + 30);
        const uint16_t comment_length = record.u16(at + 32);
        entry.local_header_offset = record.u32(at + 42);
        entry.name = record.text(at + central_header_size, name_length);
        at += uint64_t(central_header_size) + name_length + extra_length + comment_length;
        if (at > directory.size()) damaged();
        entries.push_back(std::move(entry));
    }
    return entries;
}

const zip_entry* zip_find(const std::vector<zip_entry>& entries, const std::string& inner) {
    const std::string wanted = normalise(inner);
    for (const auto& entry : entries) {
        if (normalise(entry.name) == wanted) return &entry;
    }
    return nullptr;
}

std::vector<uint8_t> zip_read_member(file& archive, const zip_entry& entry, abort_callback& abort) {
    if (entry.method != 0 || (entry.flags & flag_encrypted)) unsupported();
    if (entry.size == 0xFFFFFFFFu || entry.compressed_size == 0xFFFFFFFFu) unsupported();
    if (entry.compressed_size != entry.size) damaged();
    const uint64_t size = archive.get_size(abort);
    const std::vector<uint8_t> header = read_at(archive, size, entry.local_header_offset, local_header_size, abort);
    const fields local(header);
    if (local.u32(0) != local_signature) damaged();
    const uint64_t data_offset = uint64_t(entry.local_header_offset) + local_header_size + local.u16(26) + local.u16(28);
    std::vector<uint8_t> bytes = read_at(archive, size, data_offset, entry.size, abort);
    if (crc32_of(bytes.data(), bytes.size()) != entry.crc) damaged();
    return bytes;
}
