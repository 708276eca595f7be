// Opens arbitrary bytes as an SPC file and reports its info: no input may
// crash, read outside the image or leave a field inconsistent.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "frame/tests/test_services.h"
#include "host/track_info_impl.h"
#include "spc/input_velmo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    counted_memory_file hint(std::vector<uint8_t>(data, data + size));
    never_aborting abort;
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
