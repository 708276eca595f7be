#include "host/png_writer.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <stdexcept>

#include "host/crc32.h"

namespace {

void put_be32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

void put_chunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
    put_be32(out, static_cast<uint32_t>(data.size()));
    const size_t typed_from = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put_be32(out, crc32_of(out.data() + typed_from, out.size() - typed_from));
}

// A zlib stream of stored blocks of at most 65535 bytes each.
std::vector<uint8_t> zlib_stored(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t size = std::min<size_t>(raw.size() - at, 65535);
        const bool last = at + size == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(uint8_t(size));
        out.push_back(uint8_t(size >> 8));
        out.push_back(uint8_t(~size));
        out.push_back(uint8_t(~size >> 8));
        out.insert(out.end(), raw.begin() + at, raw.begin() + at + size);
        at += size;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put_be32(out, b << 16 | a);
    return out;
}

}  // namespace

std::vector<uint8_t> encode_png(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb) {
    const size_t row_bytes = size_t(width) * 3;
    if (width == 0 || height == 0 || rgb.size() != row_bytes * height) {
        throw std::invalid_argument("PNG: pixel data does not match the image size");
    }
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    put_be32(header, width);
    put_be32(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, no filter choice, no interlace
    put_chunk(png, "IHDR", header);

    // Each row starts with filter type 0.
    std::vector<uint8_t> raw;
    raw.reserve((row_bytes + 1) * height);
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgb.begin() + y * row_bytes, rgb.begin() + (y + 1) * row_bytes);
    }
    put_chunk(png, "IDAT", zlib_stored(raw));
    put_chunk(png, "IEND", {});
    return png;
}

void write_png_file(const std::filesystem::path& path, uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb) {
    const std::vector<uint8_t> png = encode_png(width, height, rgb);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    if (!out) throw std::runtime_error("cannot write " + path.u8string());
}
