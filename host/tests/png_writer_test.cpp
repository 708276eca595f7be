// Screenshots are PNG files of stored deflate blocks.
#include <gtest/gtest.h>

#include <stdexcept>

#include "host/png_writer.h"

namespace {

TEST(png_writer, a_tiny_image_is_byte_for_byte_a_valid_png) {
    // Checked against an independent PNG and zlib implementation.
    const std::vector<uint8_t> expected = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
        0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00, 0x00, 0x7B, 0x40, 0xE8, 0xDD, 0x00, 0x00, 0x00,
        0x12, 0x49, 0x44, 0x41, 0x54, 0x78, 0x01, 0x01, 0x07, 0x00, 0xF8, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00,
        0xFF, 0x07, 0x00, 0x01, 0xFF, 0x55, 0x36, 0xBA, 0xC7, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE,
        0x42, 0x60, 0x82};
    EXPECT_EQ(encode_png(2, 1, {255, 0, 0, 0, 0, 255}), expected);
}

TEST(png_writer, large_images_split_into_full_stored_blocks) {
    const uint32_t width = 300, height = 100;  // 90100 bytes of rows: two blocks
    const std::vector<uint8_t> png = encode_png(width, height, std::vector<uint8_t>(width * height * 3, 0x7F));
    const size_t idat = 8 + 25;
    const size_t raw = (width * 3 + 1) * height;
    EXPECT_EQ(png.size(), idat + 12 + 2 + 5 + raw + 5 + 4 + 12);
    const uint8_t* first = &png[idat + 8 + 2];
    EXPECT_EQ(std::vector<uint8_t>(first, first + 5), (std::vector<uint8_t>{0, 0xFF, 0xFF, 0, 0}));
    const uint8_t* second = first + 5 + 65535;
    const size_t rest = raw - 65535;
    EXPECT_EQ(second[0], 1) << "the last block";
    EXPECT_EQ(second[1] | second[2] << 8, int(rest));
    EXPECT_EQ((second[3] | second[4] << 8) ^ 0xFFFF, int(rest));
}

TEST(png_writer, pixel_data_must_match_the_size) {
    EXPECT_THROW(encode_png(2, 2, std::vector<uint8_t>(11)), std::invalid_argument);
    EXPECT_THROW(encode_png(0, 1, {}), std::invalid_argument);
}

}  // namespace
