#pragma once
#include <cstdint>

#include "sdk/file.h"
#include "sdk/track_info.h"
#include "spc/spc_tags.h"
#include "support/byte_buffer.h"

// Writes the edited info into an opened SPC file: a new 256-byte ID666
// header and a rebuilt XID6 chunk at 0x10200 (none when no item is due).
// Both are built in memory first and then written with two writes and one
// change of length. Files with bytes no chunk accounts for, and files
// shorter than a snapshot, are refused with "Unsupported file format"
// before anything is written. A replay gain scales the amplification the
// file plays at.
void write_tags(file& target, const byte_buffer& image, uint32_t file_size, const spc_tags& tags,
                uint32_t played_amplification, bool write_all_xid6, const track_info& info, abort_callback& abort);
