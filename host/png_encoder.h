#pragma once
// A PNG writer small enough to keep in the stand-in host: 8-bit RGB, no filtering,
// the image data in stored (uncompressed) deflate blocks. Any PNG reader opens it.
#include <cstdint>
#include <vector>

namespace scandrel::host {

// Pixels row by row from the top, three bytes (red, green, blue) each.
struct RgbImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;
};

std::vector<uint8_t> encodePng(const RgbImage& image);

// The checksums the format uses, exposed for the tests.
uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t adler32(const uint8_t* data, size_t size, uint32_t adler = 1);

}  // namespace scandrel::host
