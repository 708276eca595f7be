#include <algorithm>
#include <cstring>

#include "support/little_endian.h"
#include "spc/spc_tags.h"
#include "spc/tag_fields.h"
#include "support/ansi_code_page.h"
#include "support/format.h"

namespace {

using id666_layout::header_size;

// A text field: its bytes up to the first NUL, from the ANSI code page.
void read_text(const uint8_t* header, uint32_t offset, uint32_t width, string8_t& out) {
    ansi_to_utf8(out, reinterpret_cast<const char*>(header + offset), width);
}

// Leading white space, an optional sign, then digits; no digits give 0.
int32_t parse_decimal(const uint8_t* field, uint32_t width) {
    uint32_t i = 0;
    while (i < width && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < width && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    int32_t value = 0;
    for (; i < width && field[i] >= '0' && field[i] <= '9'; ++i) value = value * 10 + (field[i] - '0');
    return negative ? -value : value;
}

void read_text_form(const uint8_t* h, spc_tags& tags) {
    if (h[id666_layout::artist_text_form]) read_text(h, id666_layout::artist_text_form, 32, tags.artist);
    if (h[0x9E]) {
        string8_t date;
        read_text(h, 0x9E, 11, date);
        // month/day/year becomes year-month-day; missing characters add nothing.
        auto part = [&](uint32_t from, uint32_t count) {
            if (from < date.get_length()) tags.dump_date.add_string(date.get_ptr() + from, count);
        };
        tags.dump_date.reset();
        part(6, 4);
        tags.dump_date += '-';
        part(0, 2);
        tags.dump_date += '-';
        part(3, 2);
    }
    unsigned code = h[0xD2] - 0x30u;
    if (code < 9) tags.emulator = emulator_names[code];
    // A negative length means nothing sensible; it counts as none.
    tags.intro_ms = static_cast<uint32_t>(std::max(parse_decimal(h + 0xA9, 3), 0)) * 1000u;
    tags.fade_ms = static_cast<uint32_t>(std::max(parse_decimal(h + 0xAC, 5), 0));
}

void read_binary_form(const uint8_t* h, spc_tags& tags) {
    if (h[id666_layout::artist_binary_form]) read_text(h, id666_layout::artist_binary_form, 32, tags.artist);
    uint32_t year = get16(h + 0xA0);
    if (year >= 1 && year <= 9999) format(tags.dump_date, "%d%c%02d%c%02d", year, '-', h[0x9F], '-', h[0x9E]);
    if (uint32_t seconds = get16(h + 0xA9)) tags.intro_ms = seconds * 1000;
    if (uint32_t fade = get24(h + 0xAC)) tags.fade_ms = fade;
    if (h[0xD1] < 9) tags.emulator = emulator_names[h[0xD1]];
}

}  // namespace

void read_id666(const uint8_t* image, uint32_t size, spc_tags& tags) {
    // A file shorter than the header reads as if its missing bytes were 0.
    uint8_t header[header_size] = {};
    std::memcpy(header, image, std::min(size, header_size));

    for (const tag_field& field : tag_fields) {
        if (field.id666_offset) read_text(header, field.id666_offset, field.id666_width, tags.*field.value);
    }
    if (id666_layout::is_text_form(header)) {
        read_text_form(header, tags);
    } else {
        read_binary_form(header, tags);
    }
}
