#pragma once
#include <cstdint>

#include "spc/spc_tags.h"

// The text tags, with where each lives in the ID666 header and which XID6
// item holds it: the one statement the readers, the writer and the track
// info share.
struct tag_text_field {
    const char* meta;      // the track info's field name
    uint8_t xid6_id;
    uint8_t id666_offset;  // 0: none in the header, or (the artist) placed by its form
    uint8_t id666_width;
    string8_t spc_tags::*value;
};

inline const tag_text_field tag_text_fields[] = {
    {"title", 0x01, 0x2E, 32, &spc_tags::title},     {"album", 0x02, 0x4E, 32, &spc_tags::game},
    {"artist", 0x03, 0, 32, &spc_tags::artist},      {"dumper", 0x04, 0x6E, 16, &spc_tags::dumper},
    {"comment", 0x07, 0x7E, 32, &spc_tags::comment}, {"ost", 0x10, 0, 0, &spc_tags::ost_title},
    {"copyright", 0x13, 0, 0, &spc_tags::publisher},
};

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
