#include "prefs/settings_stream.h"

#include "sdk/cfg_var.h"
#include "support/exceptions.h"
#include "support/file_access.h"

namespace {

void guid_to_bytes(const guid_t& g, uint8_t out[16]) {
    out[0] = uint8_t(g.data1);
    out[1] = uint8_t(g.data1 >> 8);
    out[2] = uint8_t(g.data1 >> 16);
    out[3] = uint8_t(g.data1 >> 24);
    out[4] = uint8_t(g.data2);
    out[5] = uint8_t(g.data2 >> 8);
    out[6] = uint8_t(g.data3);
    out[7] = uint8_t(g.data3 >> 8);
    for (int i = 0; i < 8; ++i) out[8 + i] = g.data4[i];
}

guid_t guid_from_bytes(const uint8_t in[16]) {
    guid_t g;
    g.data1 = uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
    g.data2 = uint16_t(in[4] | in[5] << 8);
    g.data3 = uint16_t(in[6] | in[7] << 8);
    for (int i = 0; i < 8; ++i) g.data4[i] = in[8 + i];
    return g;
}

// The setting a record's GUID names; null for a GUID no setting has. The
// sixteen settings are searched in place: no lookup table to build per read.
cfg_var_reader* reader_of(const guid_t& guid) {
    for (cfg_var_reader* var = cfg_var_reader::list_head(); var; var = var->next_reader())
        if (var->guid() == guid) return var;
    return nullptr;
}

void write_le32(stream_writer& out, uint32_t value, abort_callback& abort) {
    uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    out.write(bytes, 4, abort);
}

}  // namespace

void settings_write(stream_writer& out, abort_callback& abort) {
    memory_writer buffer;
    for (cfg_var_writer* var = cfg_var_writer::list_head(); var; var = var->next_writer()) {
        buffer.clear();
        var->write_to_stream(buffer, abort);
        uint8_t guid_bytes[16];
        guid_to_bytes(var->guid(), guid_bytes);
        out.write(guid_bytes, 16, abort);
        write_le32(out, buffer.size(), abort);
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
        uint32_t length = uint32_t(length_bytes[0]) | uint32_t(length_bytes[1]) << 8 |
                          uint32_t(length_bytes[2]) << 16 | uint32_t(length_bytes[3]) << 24;

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
