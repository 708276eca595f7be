#include "spc/tag_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "sdk/exceptions.h"
#include "sdk/shared.h"
#include "spc/spc_layout.h"
#include "spc/tag_fields.h"
#include "support/ansi_code_page.h"
#include "support/little_endian.h"
#include "support/utf8.h"

namespace {

constexpr uint32_t max_item_text = 255;
constexpr uint32_t max_amplification = 0x80000;

// The first value of a field, or empty when the info lacks it.
std::string first_value(const track_info& info, const char* name) {
    const uint32_t field = info.meta_find(name);
    if (field == track_info::npos || info.meta_enum_value_count(field) == 0) return {};
    return info.meta_enum_value(field, 0);
}

bool has_field(const track_info& info, const char* name) {
    const uint32_t field = info.meta_find(name);
    return field != track_info::npos && info.meta_enum_value_count(field) > 0;
}

std::string joined_artists(const track_info& info) {
    std::string joined;
    const uint32_t field = info.meta_find("artist");
    if (field == track_info::npos) return joined;
    for (uint32_t v = 0; v < info.meta_enum_value_count(field); ++v) {
        if (v) joined += ", ";
        joined += info.meta_enum_value(field, v);
    }
    return joined;
}

// The text in the ANSI code page, cut to at most `width` bytes at a
// character boundary.
std::vector<uint8_t> ansi_text(const std::string& text, uint32_t width = 0xFFFFFFFFu) {
    std::vector<uint8_t> out;
    byte_buffer piece;
    for (size_t at = 0; at < text.size();) {
        uint32_t value = 0;
        const uint32_t length = utf8_decode_char(text.c_str() + at, value, text.size() - at);
        if (length == 0) break;
        utf8_to_ansi(piece, text.c_str() + at, length);
        const uint32_t bytes = piece.size() - 1;
        if (out.size() + bytes > width) break;
        out.insert(out.end(), piece.data(), piece.data() + bytes);
        at += length;
    }
    return out;
}

void put_field(std::array<uint8_t, id666_layout::header_size>& header, uint32_t offset, uint32_t width,
               const std::string& text) {
    const auto bytes = ansi_text(text, width);
    std::copy(bytes.begin(), bytes.end(), header.begin() + offset);
}

std::array<uint8_t, id666_layout::header_size> build_id666(const byte_buffer& image, const track_info& info) {
    std::array<uint8_t, id666_layout::header_size> header{};
    std::memcpy(header.data(), image.data(), header.size());
    const uint32_t artist = id666_layout::artist_offset(header.data());
    std::fill(header.begin() + id666_layout::texts_begin, header.begin() + id666_layout::texts_end, 0);
    for (uint32_t i = 0; i < info.meta_get_count(); ++i) {
        const char* name = info.meta_enum_name(i);
        if (stricmp_utf8(name, "artist") == 0) {
            std::fill(header.begin() + artist, header.begin() + artist + id666_layout::artist_width, 0);
            put_field(header, artist, id666_layout::artist_width, joined_artists(info));
            continue;
        }
        for (const tag_field& field : tag_fields) {
            if (field.id666_offset && stricmp_utf8(name, field.meta) == 0 && info.meta_enum_value_count(i) > 0) {
                put_field(header, field.id666_offset, field.id666_width, info.meta_enum_value(i, 0));
            }
        }
    }
    return header;
}

class chunk_builder {
public:
    void header_item(uint8_t id, uint32_t value) {
        bytes_.push_back(id);
        bytes_.push_back(xid6_item::in_header);
        put16(bytes_, value);
    }
    void integer_item(uint8_t id, uint32_t value) {
        bytes_.push_back(id);
        bytes_.push_back(xid6_item::integer);
        put16(bytes_, 4);
        put32(bytes_, value);
    }
    // The NUL and the padding to a multiple of 4 follow the text.
    void text_item(uint8_t id, const std::vector<uint8_t>& text) {
        bytes_.push_back(id);
        bytes_.push_back(xid6_item::text);
        put16(bytes_, static_cast<uint32_t>(text.size()) + 1);
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        bytes_.insert(bytes_.end(), 4 - text.size() % 4, 0);
    }

    // "xid6", the length, the items; nothing when there are none.
    std::vector<uint8_t> chunk() const {
        std::vector<uint8_t> out;
        if (bytes_.empty()) return out;
        out = {'x', 'i', 'd', '6'};
        put32(out, static_cast<uint32_t>(bytes_.size()));
        out.insert(out.end(), bytes_.begin(), bytes_.end());
        return out;
    }

private:
    std::vector<uint8_t> bytes_;
};

// A text that is a decimal number as a whole, within [low, high].
bool whole_number(const std::string& text, uint32_t low, uint32_t high, uint32_t& value) {
    if (text.empty() || text.size() > 9) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + uint32_t(c - '0');
    }
    return value >= low && value <= high;
}

// Number x 256 plus a following character in 0x21..0x7E; false when the
// text holds no track number below 100.
bool track_number(const std::string& text, uint32_t& value) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    uint64_t number = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        number = std::min<uint64_t>(number * 10 + uint64_t(text[at] - '0'), 0xFFFFFFFFull);
    }
    // A negative number wraps to a large one, as an unsigned parse gives it.
    if (negative && number != 0) number = 0x100000000ull - number;
    if ((number == 0 && (text.empty() || text[0] != '0')) || number >= 100) return false;
    value = static_cast<uint32_t>(number) << 8;
    const auto next = at < text.size() ? static_cast<unsigned char>(text[at]) : 0;
    if (next >= 0x21 && next <= 0x7E) value += next;
    return true;
}

// An unsigned decimal number as a whole, held at the maximum when larger.
bool whole_unsigned(const std::string& text, uint64_t& value) {
    if (text.empty()) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = std::min<uint64_t>(value * 10 + uint64_t(c - '0'), 0xFFFFFFFFull);
    }
    return true;
}

void add_amplification(chunk_builder& chunk, const spc_tags& tags, uint32_t played_amplification,
                       const track_info& info) {
    bool written = false;
    double gain = info.get_album_gain();
    if (gain == track_info::no_gain) gain = info.get_track_gain();
    if (gain != track_info::no_gain) {
        const double level = double(played_amplification) * 4096 * std::pow(10.0, gain * double(0.05f));
        chunk.integer_item(xid6_item::amplification, static_cast<uint32_t>(std::clamp(level, 0.0, double(max_amplification))));
        written = true;
    }
    uint64_t amp = 0;
    if (has_field(info, "amp") && whole_unsigned(first_value(info, "amp"), amp)) {
        if (amp != 0) chunk.integer_item(xid6_item::amplification, static_cast<uint32_t>(std::min<uint64_t>(amp, max_amplification)));
        written = true;
    }
    if (tags.amplification_raw != spc_tags::none32 && !written) chunk.integer_item(xid6_item::amplification, tags.amplification_raw);
}

std::vector<uint8_t> build_xid6(const spc_tags& tags, uint32_t played_amplification, bool write_all,
                                const track_info& info) {
    chunk_builder chunk;
    // A text that the header holds goes into the chunk too when it does not
    // fit there, or when every item is asked for.
    auto header_text = [&](uint8_t id) {
        const tag_field& field = *field_of_xid6_text(id);
        const std::string value = id == xid6_item::artist ? joined_artists(info) : first_value(info, field.meta);
        if (id == xid6_item::artist && value.empty()) return;
        if (ansi_text(value).size() > field.id666_width || write_all) {
            chunk.text_item(id, ansi_text(value, max_item_text));
        }
    };
    // The others whenever the info has them.
    auto chunk_text = [&](uint8_t id) {
        const char* name = field_of_xid6_text(id)->meta;
        if (has_field(info, name)) chunk.text_item(id, ansi_text(first_value(info, name), max_item_text));
    };
    header_text(xid6_item::title);
    header_text(xid6_item::game);
    header_text(xid6_item::artist);
    header_text(xid6_item::dumper);
    if (tags.dump_date_raw != spc_tags::none32) chunk.integer_item(xid6_item::dump_date, tags.dump_date_raw);
    if (tags.emulator_code != spc_tags::none16) chunk.header_item(xid6_item::emulator, tags.emulator_code);
    header_text(xid6_item::comment);
    chunk_text(xid6_item::ost_title);
    uint32_t number = 0;
    if (whole_number(first_value(info, "discnumber"), 1, 9, number)) chunk.header_item(xid6_item::ost_disc, number);
    if (track_number(first_value(info, "tracknumber"), number)) chunk.header_item(xid6_item::ost_track, number);
    chunk_text(xid6_item::publisher);
    if (whole_number(first_value(info, "date"), 1, 65535, number)) chunk.header_item(xid6_item::copyright_year, number);
    if (tags.intro_ticks != spc_tags::none32) chunk.integer_item(xid6_item::intro, tags.intro_ticks);
    if (tags.loop_ticks != spc_tags::none32) chunk.integer_item(xid6_item::loop, tags.loop_ticks);
    if (tags.end_ticks != spc_tags::none_end) chunk.integer_item(xid6_item::end, static_cast<uint32_t>(tags.end_ticks));
    if (tags.fade_ticks != spc_tags::none32) chunk.integer_item(xid6_item::fade, tags.fade_ticks);
    if (tags.muted_voices != 0) chunk.header_item(xid6_item::muted_voices, tags.muted_voices);
    if (tags.loop_count_raw != spc_tags::none16) chunk.header_item(xid6_item::loop_count, tags.loop_count_raw);
    add_amplification(chunk, tags, played_amplification, info);
    return chunk.chunk();
}

}  // namespace

void write_tags(file& target, const byte_buffer& image, uint32_t file_size, const spc_tags& tags,
                uint32_t played_amplification, bool write_all_xid6, const track_info& info, abort_callback& abort) {
    // Data after the snapshot that no chunk accounts for would be lost, and a
    // file without a whole snapshot has no place for a chunk.
    if (tags.trailing_bytes != 0 || file_size < spc_layout::snapshot_size || image.size() < file_size) {
        throw sonmara_io::exception_io_unsupported_format();
    }
    const auto header = build_id666(image, info);
    const auto chunk = build_xid6(tags, played_amplification, write_all_xid6, info);

    target.seek(0, abort);
    target.write(header.data(), static_cast<uint32_t>(header.size()), abort);
    target.seek(spc_layout::snapshot_size, abort);
    if (!chunk.empty()) target.write(chunk.data(), static_cast<uint32_t>(chunk.size()), abort);
    target.resize(spc_layout::snapshot_size + chunk.size(), abort);
}
