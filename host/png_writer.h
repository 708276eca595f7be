#pragma once
#include <cstdint>
#include <filesystem>
#include <vector>

// A PNG image of 8-bit RGB pixels, rows top to bottom, compressed with
// stored deflate blocks only: larger than need be, but exact and with no
// library behind it.
std::vector<uint8_t> encode_png(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb);
// Raises std::runtime_error when the file cannot be written.
void write_png_file(const std::filesystem::path& path, uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb);
