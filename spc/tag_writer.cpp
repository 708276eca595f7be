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
#include "spc/xid6_chunk.h"
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

void put_field(std::array<uint8_t, id666_layout::header_size>& header, id666_place place, const std::string& text) {
    const auto bytes = ansi_text(text, place.width);
    std::copy(bytes.begin(), bytes.end(), header.begin() + place.offset);
}

std::array<uint8_t, id666_layout::header_size> build_id666(const byte_buffer& image, const track_info& info) {
    std::array<uint8_t, id666_layout::header_size> header{};
    std::memcpy(header.data(), image.data(), header.size());
    const bool text_form = id666_layout::is_text_form(header.data());
    std::fill(header.begin() + id666_layout::texts_begin, header.begin() + id666_layout::texts_end, 0);
    for (uint32_t i = 0; i < info.meta_get_count(); ++i) {
        const char* name = info.meta_enum_name(i);
        for (const tag_field& field : tag_fields) {
            const id666_place place = field.place(text_form);
            if (field.storage != xid6_storage::text || !place.width || stricmp_utf8(name, field.name) != 0) continue;
            // The artist's bytes lie outside the cleared texts; the others need a value.
            if (field.xid6_id == xid6_item::artist) {
                std::fill_n(header.begin() + place.offset, place.width, 0);
                put_field(header, place, joined_artists(info));
            } else if (info.meta_enum_value_count(i) > 0) {
                put_field(header, place, info.meta_enum_value(i, 0));
            }
        }
    }
    return header;
}

// The digits from `at` on as a number held at the 32-bit maximum; where they end.
size_t read_digits(const std::string& text, size_t at, uint64_t& value) {
    for (value = 0; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = std::min<uint64_t>(value * 10 + uint64_t(text[at] - '0'), 0xFFFFFFFFull);
    }
    return at;
}

// An unsigned decimal number as a whole, held at the maximum when larger.
bool whole_unsigned(const std::string& text, uint64_t& value) {
    return !text.empty() && read_digits(text, 0, value) == text.size();
}

// A decimal number of at most nine digits as a whole, within [low, high].
bool whole_number(const std::string& text, uint32_t low, uint32_t high, uint32_t& value) {
    uint64_t number = 0;
    if (text.size() > 9 || !whole_unsigned(text, number) || number < low || number > high) return false;
    value = static_cast<uint32_t>(number);
    return true;
}

// Number x 256 plus a following character in 0x21..0x7E; false when the
// text holds no track number below 100.
bool track_number(const std::string& text, uint32_t& value) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    uint64_t number = 0;
    at = read_digits(text, at, number);
    // A negative number wraps to a large one, as an unsigned parse gives it.
    if (negative && number != 0) number = 0x100000000ull - number;
    if ((number == 0 && (text.empty() || text[0] != '0')) || number >= 100) return false;
    value = static_cast<uint32_t>(number) << 8;
    const auto next = at < text.size() ? static_cast<unsigned char>(text[at]) : 0;
    if (next >= 0x21 && next <= 0x7E) value += next;
    return true;
}

void add_amplification(xid6_chunk& chunk, const spc_tags& tags, uint32_t played_amplification,
                       const track_info& info) {
    bool written = false;
    double gain = info.get_album_gain();
    if (gain == track_info::no_gain) gain = info.get_track_gain();
    if (gain != track_info::no_gain) {
        const double level = double(played_amplification) * 4096 * std::pow(10.0, gain * double(0.05f));
        chunk.number_item(xid6_item::amplification, xid6_storage::integer, static_cast<uint32_t>(std::clamp(level, 0.0, double(max_amplification))));
        written = true;
    }
    uint64_t amp = 0;
    if (whole_unsigned(first_value(info, "amp"), amp)) {
        if (amp != 0) chunk.number_item(xid6_item::amplification, xid6_storage::integer, static_cast<uint32_t>(std::min<uint64_t>(amp, max_amplification)));
        written = true;
    }
    if (tags.amplification_raw != spc_tags::none32 && !written) chunk.number_item(xid6_item::amplification, xid6_storage::integer, tags.amplification_raw);
}

// A text item: a text the header holds goes into the chunk too when it
// does not fit there, or when every item is asked for; the others whenever
// the info has them.
void add_text(xid6_chunk& chunk, const tag_field& field, bool write_all, const track_info& info) {
    const uint32_t header_width = field.in_text_form.width;
    if (header_width == 0) {
        if (has_field(info, field.name)) chunk.text_item(field.xid6_id, ansi_text(first_value(info, field.name), max_item_text));
        return;
    }
    const bool artist = field.xid6_id == xid6_item::artist;
    const std::string value = artist ? joined_artists(info) : first_value(info, field.name);
    if (artist && value.empty()) return;
    if (ansi_text(value).size() > header_width || write_all) {
        chunk.text_item(field.xid6_id, ansi_text(value, max_item_text));
    }
}

// The numbers: the timing and technical values as read, the soundtrack
// numbers from the edited info.
void add_number(xid6_chunk& chunk, const tag_field& field, const spc_tags& tags, uint32_t played_amplification,
                const track_info& info) {
    const auto put = [&](uint32_t value) { chunk.number_item(field.xid6_id, field.storage, value); };
    uint32_t number = 0;
    switch (field.xid6_id) {
    case xid6_item::dump_date: if (tags.dump_date_raw != spc_tags::none32) put(tags.dump_date_raw); break;
    case xid6_item::emulator: if (tags.emulator_code != spc_tags::none16) put(tags.emulator_code); break;
    case xid6_item::ost_disc: if (whole_number(first_value(info, field.name), 1, 9, number)) put(number); break;
    case xid6_item::ost_track: if (track_number(first_value(info, field.name), number)) put(number); break;
    case xid6_item::copyright_year: if (whole_number(first_value(info, field.name), 1, 65535, number)) put(number); break;
    case xid6_item::intro: if (tags.intro_ticks != spc_tags::none32) put(tags.intro_ticks); break;
    case xid6_item::loop: if (tags.loop_ticks != spc_tags::none32) put(tags.loop_ticks); break;
    case xid6_item::end: if (tags.end_ticks != spc_tags::none_end) put(static_cast<uint32_t>(tags.end_ticks)); break;
    case xid6_item::fade: if (tags.fade_ticks != spc_tags::none32) put(tags.fade_ticks); break;
    case xid6_item::muted_voices: if (tags.muted_voices != 0) put(tags.muted_voices); break;
    case xid6_item::loop_count: if (tags.loop_count_raw != spc_tags::none16) put(tags.loop_count_raw); break;
    case xid6_item::amplification: add_amplification(chunk, tags, played_amplification, info); break;
    }
}

std::vector<uint8_t> build_xid6(const spc_tags& tags, uint32_t played_amplification, bool write_all,
                                const track_info& info) {
    xid6_chunk chunk;
    for (const tag_field& field : tag_fields) {
        if (field.storage == xid6_storage::text) {
            add_text(chunk, field, write_all, info);
        } else {
            add_number(chunk, field, tags, played_amplification, info);
        }
    }
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
