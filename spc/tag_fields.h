#pragma once
#include <cstdint>

#include "spc/spc_tags.h"

// The XID6 items by id: the one list the reader and the writer share.
namespace xid6_item {
enum : uint8_t {
    title = 0x01, game = 0x02, artist = 0x03, dumper = 0x04, dump_date = 0x05, emulator = 0x06, comment = 0x07,
    ost_title = 0x10, ost_disc = 0x11, ost_track = 0x12, publisher = 0x13, copyright_year = 0x14,
    intro = 0x30, loop = 0x31, end = 0x32, fade = 0x33, muted_voices = 0x34, loop_count = 0x35, amplification = 0x36,
};
// How an item stores its value: in the header's 16-bit field, as text, or
// as a 32-bit integer after the header.
enum storage : uint8_t { in_header = 0, text = 1, integer = 4 };
}  // namespace xid6_item

// The tags the track info shows, in its order, with where a text tag
// lives in the ID666 header and which XID6 text item holds it: the one
// statement the readers, the writer and the track info share.
struct tag_field {
    const char* meta;  // the track info's field name
    string8_t spc_tags::*value;
    uint8_t xid6_text_id;  // 0: no text item (a number, or derived)
    uint8_t id666_offset;  // 0: none in the header, or (the artist) placed by its form
    uint8_t id666_width;
};

inline const tag_field tag_fields[] = {
    {"title", &spc_tags::title, xid6_item::title, 0x2E, 32},
    {"album", &spc_tags::game, xid6_item::game, 0x4E, 32},
    {"artist", &spc_tags::artist, xid6_item::artist, 0, 32},
    {"dumper", &spc_tags::dumper, xid6_item::dumper, 0x6E, 16},
    {"comment", &spc_tags::comment, xid6_item::comment, 0x7E, 32},
    {"copyright", &spc_tags::publisher, xid6_item::publisher, 0, 0},
    {"date", &spc_tags::copyright_year, 0, 0, 0},
    {"ost", &spc_tags::ost_title, xid6_item::ost_title, 0, 0},
    {"discnumber", &spc_tags::ost_disc, 0, 0, 0},
    {"tracknumber", &spc_tags::ost_track, 0, 0, 0},
    {"emulator", &spc_tags::emulator, 0, 0, 0},
};

// The field whose text an XID6 item holds; null for other items.
inline const tag_field* field_of_xid6_text(uint8_t id) {
    for (const tag_field& field : tag_fields) {
        if (field.xid6_text_id && field.xid6_text_id == id) return &field;
    }
    return nullptr;
}

// Places in the ID666 header beyond the text fields.
namespace id666_layout {
inline constexpr uint32_t header_size = 0x100;
inline constexpr uint32_t texts_begin = 0x2C;  // reserved bytes, then title, game, dumper, comment
inline constexpr uint32_t texts_end = 0x9E;
inline constexpr uint32_t form_byte = 0xD2;  // 0x30 or above: the text form
inline constexpr uint32_t artist_text_form = 0xB1;
inline constexpr uint32_t artist_binary_form = 0xB0;
inline constexpr uint32_t artist_width = 32;

inline bool is_text_form(const uint8_t* header) { return header[form_byte] >= 0x30; }
inline uint32_t artist_offset(const uint8_t* header) {
    return is_text_form(header) ? artist_text_form : artist_binary_form;
}
}  // namespace id666_layout
