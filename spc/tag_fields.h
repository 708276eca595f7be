#pragma once
#include <cstdint>
#include <string_view>

#include "spc/spc_tags.h"

// The XID6 item ids.
namespace xid6_item {
enum : uint8_t {
    title = 0x01, game = 0x02, artist = 0x03, dumper = 0x04, dump_date = 0x05, emulator = 0x06, comment = 0x07,
    ost_title = 0x10, ost_disc = 0x11, ost_track = 0x12, publisher = 0x13, copyright_year = 0x14,
    intro = 0x30, loop = 0x31, end = 0x32, fade = 0x33, muted_voices = 0x34, loop_count = 0x35, amplification = 0x36,
};
}  // namespace xid6_item

// How an XID6 item stores its value: in the header's 16-bit field, as text,
// or as a 32-bit integer after the header.
enum class xid6_storage : uint8_t { in_header = 0, text = 1, integer = 4 };

// Where a field lies in the ID666 header; width 0: not there.
struct id666_place {
    uint8_t offset, width;
};

// Every field an SPC file's tags hold, in XID6 id order, which is the order
// the writer writes them in: the one statement of ids, storage, header
// places and track info names that the readers, the writer and the track
// info share.
struct tag_field {
    uint8_t xid6_id;
    xid6_storage storage;
    const char* name;             // the track info's meta field, or its technical field ("spc_..."); null: not shown
    string8_t spc_tags::*text;    // the text spc_tags holds for it; null: a number only
    id666_place in_text_form, in_binary_form;

    const id666_place& place(bool text_form) const { return text_form ? in_text_form : in_binary_form; }
    bool is_technical() const { return name && std::string_view(name).starts_with("spc_"); }
};

inline constexpr tag_field tag_fields[] = {
    {xid6_item::title, xid6_storage::text, "title", &spc_tags::title, {0x2E, 32}, {0x2E, 32}},
    {xid6_item::game, xid6_storage::text, "album", &spc_tags::game, {0x4E, 32}, {0x4E, 32}},
    {xid6_item::artist, xid6_storage::text, "artist", &spc_tags::artist, {0xB1, 32}, {0xB0, 32}},
    {xid6_item::dumper, xid6_storage::text, "dumper", &spc_tags::dumper, {0x6E, 16}, {0x6E, 16}},
    // Text form: "MM/DD/YYYY"; binary form: day, month, 16-bit year.
    {xid6_item::dump_date, xid6_storage::integer, "spc_dumped_date", &spc_tags::dump_date, {0x9E, 11}, {0x9E, 4}},
    // Text form: '0' plus the code.
    {xid6_item::emulator, xid6_storage::in_header, "emulator", &spc_tags::emulator, {0xD2, 1}, {0xD1, 1}},
    {xid6_item::comment, xid6_storage::text, "comment", &spc_tags::comment, {0x7E, 32}, {0x7E, 32}},
    {xid6_item::ost_title, xid6_storage::text, "ost", &spc_tags::ost_title, {}, {}},
    {xid6_item::ost_disc, xid6_storage::in_header, "discnumber", &spc_tags::ost_disc, {}, {}},
    {xid6_item::ost_track, xid6_storage::in_header, "tracknumber", &spc_tags::ost_track, {}, {}},
    {xid6_item::publisher, xid6_storage::text, "copyright", &spc_tags::publisher, {}, {}},
    {xid6_item::copyright_year, xid6_storage::in_header, "date", &spc_tags::copyright_year, {}, {}},
    // Seconds, and the fade in milliseconds: decimal text, or a binary number.
    {xid6_item::intro, xid6_storage::integer, "spc_songlength", nullptr, {0xA9, 3}, {0xA9, 2}},
    {xid6_item::loop, xid6_storage::integer, nullptr, nullptr, {}, {}},
    {xid6_item::end, xid6_storage::integer, nullptr, nullptr, {}, {}},
    {xid6_item::fade, xid6_storage::integer, "spc_fadelength", nullptr, {0xAC, 5}, {0xAC, 3}},
    {xid6_item::muted_voices, xid6_storage::in_header, nullptr, nullptr, {}, {}},
    {xid6_item::loop_count, xid6_storage::in_header, nullptr, nullptr, {}, {}},
    {xid6_item::amplification, xid6_storage::integer, "spc_amplification", nullptr, {}, {}},
};

// The field of an XID6 item; null for ids no field has.
inline const tag_field* tag_field_of(uint8_t xid6_id) {
    for (const tag_field& field : tag_fields) {
        if (field.xid6_id == xid6_id) return &field;
    }
    return nullptr;
}

// The ID666 header's size, its form, and the bytes the writer clears.
namespace id666_layout {
inline constexpr uint32_t header_size = 0x100;
inline constexpr uint32_t texts_begin = 0x2C;  // reserved bytes, then title, game, dumper, comment
inline constexpr uint32_t texts_end = 0x9E;
inline constexpr uint32_t form_byte = 0xD2;  // 0x30 or above: the text form

inline bool is_text_form(const uint8_t* header) { return header[form_byte] >= 0x30; }
}  // namespace id666_layout
