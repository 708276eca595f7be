#pragma once
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Builds SPC file images for tests: header with either ID666 form, the
// snapshot, an XID6 chunk of any items and trailing bytes.
class spc_image_builder {
public:
    using bytes = std::vector<uint8_t>;

    spc_image_builder() : image_(0x10200, 0) {
        put_text(0, 33, "SNES-SPC700 Sound File Data v0.30");
        image_[0x21] = image_[0x22] = 26;
        image_[0x23] = 26;
        image_[0x24] = 30;
    }

    spc_image_builder& byte(uint32_t offset, uint8_t value) {
        image_.at(offset) = value;
        return *this;
    }
    // Writes up to width bytes of text; the rest of the field stays 0.
    spc_image_builder& put_text(uint32_t offset, uint32_t width, std::string_view text) {
        std::fill(image_.begin() + offset, image_.begin() + offset + width, 0);
        std::copy_n(text.begin(), std::min<size_t>(width, text.size()), image_.begin() + offset);
        return *this;
    }
    spc_image_builder& common(std::string_view title, std::string_view game, std::string_view dumper,
                              std::string_view comment) {
        put_text(0x2E, 32, title);
        put_text(0x4E, 32, game);
        put_text(0x6E, 16, dumper);
        return put_text(0x7E, 32, comment);
    }
    // Text form: date "MM/DD/YYYY", length in seconds, fade in ms, emulator digit.
    spc_image_builder& text_form(std::string_view date, std::string_view seconds, std::string_view fade_ms,
                                 std::string_view artist, char emulator = '0') {
        put_text(0x9E, 11, date);
        put_text(0xA9, 3, seconds);
        put_text(0xAC, 5, fade_ms);
        put_text(0xB1, 32, artist);
        return byte(0xD2, static_cast<uint8_t>(emulator));
    }
    spc_image_builder& binary_form(uint8_t day, uint8_t month, uint16_t year, uint16_t seconds, uint32_t fade_ms,
                                   std::string_view artist, uint8_t emulator) {
        byte(0x9E, day).byte(0x9F, month).byte(0xA0, uint8_t(year)).byte(0xA1, uint8_t(year >> 8));
        byte(0xA9, uint8_t(seconds)).byte(0xAA, uint8_t(seconds >> 8));
        byte(0xAC, uint8_t(fade_ms)).byte(0xAD, uint8_t(fade_ms >> 8)).byte(0xAE, uint8_t(fade_ms >> 16));
        put_text(0xB0, 32, artist);
        byte(0xD1, emulator);
        return byte(0xD2, 0);
    }

    spc_image_builder& xid6_item(uint8_t id, uint8_t type, uint16_t field, const bytes& data = {}) {
        xid6_ = xid6_.value_or(bytes());
        xid6_->insert(xid6_->end(), {id, type, uint8_t(field), uint8_t(field >> 8)});
        xid6_->insert(xid6_->end(), data.begin(), data.end());
        // Data is padded to a multiple of 4.
        xid6_->resize(xid6_->size() + ((4 - data.size() % 4) % 4), 0);
        return *this;
    }
    spc_image_builder& xid6_text(uint8_t id, std::string_view text) {
        return xid6_item(id, 1, static_cast<uint16_t>(text.size()), bytes(text.begin(), text.end()));
    }
    spc_image_builder& xid6_value(uint8_t id, uint16_t value) { return xid6_item(id, 0, value); }
    spc_image_builder& xid6_word(uint8_t id, uint32_t value) { return xid6_item(id, 4, 4, le32(value)); }
    // A declared chunk length other than the true one.
    spc_image_builder& xid6_declared_length(uint32_t length) {
        xid6_ = xid6_.value_or(bytes());
        declared_ = length;
        return *this;
    }
    spc_image_builder& trailing(const bytes& extra) {
        trailing_.insert(trailing_.end(), extra.begin(), extra.end());
        return *this;
    }

    bytes build() const {
        bytes out = image_;
        if (xid6_) {
            bytes header = {'x', 'i', 'd', '6'};
            bytes length = le32(declared_.value_or(static_cast<uint32_t>(xid6_->size())));
            out.insert(out.end(), header.begin(), header.end());
            out.insert(out.end(), length.begin(), length.end());
            out.insert(out.end(), xid6_->begin(), xid6_->end());
        }
        out.insert(out.end(), trailing_.begin(), trailing_.end());
        return out;
    }

    static bytes le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

private:
    bytes image_;
    std::optional<bytes> xid6_;
    std::optional<uint32_t> declared_;
    bytes trailing_;
};
