// The host's pictures as PNG files: well-formed chunks, and every pixel read back by
// the platform's decoder.
#include "host/png_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "host/tests/png_reader.h"

namespace scandrel::host {
namespace {

RgbImage pattern(uint32_t width, uint32_t height) {
    RgbImage image{width, height, {}};
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            image.pixels.push_back(static_cast<uint8_t>(x * 7 + y));
            image.pixels.push_back(static_cast<uint8_t>(y * 13));
            image.pixels.push_back(static_cast<uint8_t>((x ^ y) * 3));
        }
    return image;
}

uint32_t big32(const std::vector<uint8_t>& bytes, size_t at) {
    return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}

TEST(PngChecksums, MatchTheirPublishedValues) {
    const std::string iend = "IEND", digits = "123456789";
    EXPECT_EQ(testing::crc32(reinterpret_cast<const uint8_t*>(iend.data()), iend.size()), 0xAE426082u);
    EXPECT_EQ(testing::crc32(reinterpret_cast<const uint8_t*>(digits.data()), digits.size()), 0xCBF43926u);
}

TEST(PngEncoder, ChunksAreWellFormed) {
    testing::ComSession com;
    const std::vector<uint8_t> png = encodePng(pattern(5, 3));
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8), 0);
    std::vector<std::string> types;
    for (size_t at = 8; at < png.size();) {
        const uint32_t length = big32(png, at);
        ASSERT_LE(at + 12 + length, png.size());
        types.emplace_back(reinterpret_cast<const char*>(&png[at + 4]), 4);
        EXPECT_EQ(testing::crc32(&png[at + 4], length + 4), big32(png, at + 8 + length)) << types.back();
        if (types.back() == "IHDR") {
            EXPECT_EQ(big32(png, at + 8), 5u);
            EXPECT_EQ(big32(png, at + 12), 3u);
            EXPECT_EQ(png[at + 16], 8);  // bit depth
            EXPECT_EQ(png[at + 17], 2);  // RGB
        }
        at += 12 + length;
    }
    // The header first, the end last, the image data between.
    ASSERT_GE(types.size(), 3u);
    EXPECT_EQ(types.front(), "IHDR");
    EXPECT_EQ(types.back(), "IEND");
    EXPECT_NE(std::find(types.begin(), types.end(), "IDAT"), types.end());
}

TEST(PngEncoder, ThePlatformDecoderReadsBackEveryPixel) {
    testing::ComSession com;
    // One small image, and one whose data needs several stored blocks.
    for (const RgbImage& image : {pattern(3, 2), pattern(452, 338)}) {
        const auto decoded = testing::decodePngWithPlatform(encodePng(image));
        ASSERT_TRUE(decoded.has_value()) << image.width << "x" << image.height;
        EXPECT_EQ(decoded->width, image.width);
        EXPECT_EQ(decoded->height, image.height);
        EXPECT_TRUE(decoded->pixels == image.pixels) << image.width << "x" << image.height;
    }
}

TEST(PngEncoder, RefusesPixelsThatDoNotFitTheSize) {
    RgbImage image = pattern(4, 4);
    image.pixels.pop_back();
    EXPECT_THROW(encodePng(image), std::invalid_argument);
    EXPECT_THROW(encodePng(RgbImage{}), std::invalid_argument);
}

}  // namespace
}  // namespace scandrel::host
