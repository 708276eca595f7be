#include "prefs/settings_stream.h"

#include <algorithm>
#include <vector>

#include "sdk/cfg_var.h"
#include "sdk/exceptions.h"
#include "support/file_access.h"
#include "support/little_endian.h"

namespace {

// A record's header: the setting's GUID, then its data's length.
std::vector<uint8_t> record_header(const guid_t& g, uint32_t length) {
    std::vector<uint8_t> out;
    put32(out, g.data1);
    put16(out, g.data2);
    put16(out, g.data3);
    out.insert(out.end(), g.data4, g.data4 + 8);
    put32(out, length);
    return out;
}

guid_t guid_from_bytes(const uint8_t in[16]) {
    guid_t g;
    g.data1 = get32(in);
    g.data2 = uint16_t(get16(in + 4));
    g.data3 = uint16_t(get16(in + 6));
    std::copy(in + 8, in + 16, g.data4);
    return g;
}

// The setting a record's GUID names; null for a GUID no setting has. The
// sixteen settings are searched in place: no lookup table to build per read.
cfg_var_reader* reader_of(const guid_t& guid) {
    for (cfg_var_reader* var = cfg_var_reader::list_head(); var; var = var->next_reader())
        if (var->guid() == guid) return var;
    return nullptr;
}

}  // namespace

void settings_write(stream_writer& out, abort_callback& abort) {
    memory_writer buffer;
    for (cfg_var_writer* var = cfg_var_writer::list_head(); var; var = var->next_writer()) {
        buffer.clear();
        var->write_to_stream(buffer, abort);
        // The GUID and the length each in one write of their own, as hosts expect.
        const auto header = record_header(var->guid(), buffer.size());
        out.write(header.data(), 16, abort);
        out.write(header.data() + 16, 4, abort);
        if (buffer.size()) out.write(buffer.data(), buffer.size(), abort);
    }
}

void settings_read(stream_reader& in, abort_callback& abort) {
    for (;;) {
        uint8_t guid_bytes[16];
        // A partial GUID is stray trailing bytes, not an error.
        if (in.read(guid_bytes, 16, abort) != 16) return;
        uint8_t length_bytes[4];
        in.read_object(length_bytes, 4, abort);
        const uint32_t length = get32(length_bytes);

        cfg_var_reader* var = reader_of(guid_from_bytes(guid_bytes));
        if (!var) {
            in.skip_object(length, abort);
            continue;
        }
        limited_reader view(in, length);
        try {
            var->read_from_stream(view, length, abort);
        } catch (const sonmara_io::exception_io_data&) {
            // This setting keeps its value; the records after it still count.
        }
        in.skip_object(view.remaining(), abort);
    }
}
