// Opens arbitrary tags as an SPC file and reports its info: no input may
// crash, read outside the image or leave a field inconsistent.
//
// The input is the file less its sound snapshot: the 256-byte header, then
// what follows the snapshot (the XID6 chunk and any trailing bytes). The
// 64 KiB between them, which no tag reader looks at, are zeros, so every
// mutation lands on a tag. An input no longer than the header is the file.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "host/track_info_impl.h"
#include "spc/input_velmo.h"
#include "spc/spc_layout.h"
#include "spc/tag_fields.h"
#include "testing/test_services.h"

namespace {

// The file of this input, in one file object kept for every input: its
// memory is reused rather than a snapshot's worth allocated each time.
counted_memory_file& file_of(const uint8_t* data, size_t size, abort_callback& abort) {
    using id666_layout::header_size;
    static counted_memory_file file{std::vector<uint8_t>(spc_layout::snapshot_size)};
    file.resize(0, abort);
    file.seek(0, abort);
    if (size) file.write(data, static_cast<uint32_t>(std::min<size_t>(size, header_size)), abort);
    if (size > header_size) {
        file.resize(spc_layout::snapshot_size, abort);
        file.seek(spc_layout::snapshot_size, abort);
        file.write(data + header_size, static_cast<uint32_t>(size - header_size), abort);
    }
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    never_aborting abort;
    counted_memory_file& hint = file_of(data, size, abort);
    input_velmo input;
    try {
        input.open(service_ptr_t<file>(&hint), "fuzz.spc", input_open_info_read, abort);
    } catch (const sonmara_io::exception_io_unsupported_format&) {
        return 0;
    }
    track_info_impl info;
    input.report_info(info);
    const spc_tags& tags = input.tags();
    if (tags.intro_ms > 5999999 || tags.fade_ms > 5999999 || tags.loop_ms > 5999999) std::abort();
    if (tags.loop_count < 1 || tags.loop_count > 9) std::abort();
    if (tags.amplification != spc_tags::none32 && (tags.amplification < 0x8000 || tags.amplification > 0x80000)) std::abort();
    if (!info.info_get("codec")) std::abort();
    return 0;
}
