#include <algorithm>
#include <cstring>

#include "spc/spc_tags.h"
#include "spc/tag_fields.h"
#include "support/ansi_code_page.h"
#include "support/format.h"
#include "support/little_endian.h"

namespace {

using id666_layout::header_size;

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

// A length: decimal text in the text form, a little-endian number in the
// binary form. A negative text means nothing sensible; it counts as none.
uint32_t read_length(const uint8_t* h, bool text_form, uint8_t id) {
    const id666_place place = tag_field_of(id)->place(text_form);
    if (text_form) return static_cast<uint32_t>(std::max(parse_decimal(h + place.offset, place.width), 0));
    uint32_t number = 0;
    for (uint32_t i = place.width; i-- > 0;) number = number << 8 | h[place.offset + i];
    return number;
}

void read_dump_date(const uint8_t* h, bool text_form, spc_tags& tags) {
    const id666_place place = tag_field_of(xid6_item::dump_date)->place(text_form);
    const uint8_t* date = h + place.offset;
    if (!text_form) {
        uint32_t year = get16(date + 2);
        if (year >= 1 && year <= 9999) format(tags.dump_date, "%d%c%02d%c%02d", year, '-', date[1], '-', date[0]);
        return;
    }
    if (!date[0]) return;
    string8_t text;
    ansi_to_utf8(text, reinterpret_cast<const char*>(date), place.width);
    // month/day/year becomes year-month-day; missing characters add nothing.
    auto part = [&](uint32_t from, uint32_t count) {
        if (from < text.get_length()) tags.dump_date.add_string(text.get_ptr() + from, count);
    };
    tags.dump_date.reset();
    part(6, 4);
    tags.dump_date += '-';
    part(0, 2);
    tags.dump_date += '-';
    part(3, 2);
}

}  // namespace

void read_id666(const uint8_t* image, uint32_t size, spc_tags& tags) {
    // A file shorter than the header reads as if its missing bytes were 0.
    uint8_t h[header_size] = {};
    std::memcpy(h, image, std::min(size, header_size));
    const bool text_form = id666_layout::is_text_form(h);

    for (const tag_field& field : tag_fields) {
        const id666_place place = field.place(text_form);
        // Text up to the first NUL, from the ANSI code page.
        if (field.storage == xid6_storage::text && place.width && h[place.offset]) {
            ansi_to_utf8(tags.*field.text, reinterpret_cast<const char*>(h + place.offset), place.width);
        }
    }
    read_dump_date(h, text_form, tags);
    const id666_place emulator = tag_field_of(xid6_item::emulator)->place(text_form);
    const unsigned code = h[emulator.offset] - (text_form ? 0x30u : 0u);
    if (code < 9) tags.emulator = emulator_names[code];
    if (uint32_t seconds = read_length(h, text_form, xid6_item::intro)) tags.intro_ms = seconds * 1000;
    if (uint32_t fade = read_length(h, text_form, xid6_item::fade)) tags.fade_ms = fade;
}
