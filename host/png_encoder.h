#pragma once
// Pictures of the stand-in host's windows as PNG files, encoded by the platform's
// imaging component (WIC): 8-bit RGB. For a thread on which COM is initialised.
#include <cstdint>
#include <vector>

namespace scandrel::host {

// Pixels row by row from the top, three bytes (red, green, blue) each.
struct RgbImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;
};

// The PNG file's bytes. Throws std::invalid_argument when the pixels don't fill the
// size (or it is empty), std::runtime_error when the platform can't encode them.
std::vector<uint8_t> encodePng(const RgbImage& image);

}  // namespace scandrel::host
