// Feeds arbitrary bytes to the component's settings reader as a stored
// configuration stream. The only failure it may raise is the truncation of a
// length field or record; whatever it read, writing gives sixteen 24-byte
// records, and reading those back changes nothing.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "host/memory_streams.h"
#include "prefs/settings_stream.h"
#include "support/exceptions.h"

// No host: the settings reader never asks for one.
host_api* host_api_object() { return nullptr; }

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

std::vector<uint8_t> write_settings() {
    memory_writer out;
    host_abort abort;
    settings_write(out, abort);
    return std::vector<uint8_t>(out.data(), out.data() + out.size());
}

void read_settings(const std::vector<uint8_t>& bytes) {
    memory_reader in(bytes);
    host_abort abort;
    settings_read(in, abort);
}

}  // namespace

// What the reader does with an input never depends on the values before
// it, so inputs run one after another without going back to the defaults.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        read_settings(std::vector<uint8_t>(data, data + size));
    } catch (const sonmara_io::exception_io_data_truncation&) {
    }
    const std::vector<uint8_t> written = write_settings();
    check(written.size() == 384);
    read_settings(written);
    check(write_settings() == written);
    return 0;
}
