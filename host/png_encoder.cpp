#include "host/png_encoder.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string_view>

namespace scandrel::host {
namespace {

constexpr std::array<uint32_t, 256> makeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = makeCrcTable();

// Largest payload of one stored deflate block.
constexpr size_t kStoredBlock = 65535;

void putBig32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void putChunk(std::vector<uint8_t>& out, std::string_view type, const std::vector<uint8_t>& data) {
    putBig32(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    putBig32(out, crc32(out.data() + typeAt, out.size() - typeAt));
}

// The zlib stream of `raw` in stored blocks.
std::vector<uint8_t> storedZlib(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out;
    out.reserve(raw.size() + raw.size() / kStoredBlock * 5 + 16);
    out.push_back(0x78);  // deflate, 32 KB window
    out.push_back(0x01);  // no dictionary, fastest; 0x7801 is a multiple of 31
    size_t at = 0;
    do {
        const size_t length = std::min(kStoredBlock, raw.size() - at);
        const bool last = at + length == raw.size();
        out.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00
        out.push_back(static_cast<uint8_t>(length));
        out.push_back(static_cast<uint8_t>(length >> 8));
        out.push_back(static_cast<uint8_t>(~length));
        out.push_back(static_cast<uint8_t>(~length >> 8));
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                   raw.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    } while (at < raw.size());
    putBig32(out, adler32(raw.data(), raw.size()));
    return out;
}

}  // namespace

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc) {
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = kCrcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t adler32(const uint8_t* data, size_t size, uint32_t adler) {
    constexpr uint32_t kModulus = 65521;
    uint32_t a = adler & 0xFFFF, b = adler >> 16;
    while (size > 0) {
        // 5552 bytes at most before the sums could overflow 32 bits.
        const size_t run = std::min<size_t>(size, 5552);
        for (size_t i = 0; i < run; ++i) {
            a += data[i];
            b += a;
        }
        a %= kModulus;
        b %= kModulus;
        data += run;
        size -= run;
    }
    return (b << 16) | a;
}

std::vector<uint8_t> encodePng(const RgbImage& image) {
    const size_t rowBytes = static_cast<size_t>(image.width) * 3;
    if (image.width == 0 || image.height == 0 || image.width > 0x7FFFFFFF || image.height > 0x7FFFFFFF ||
        image.pixels.size() != rowBytes * image.height) {
        throw std::invalid_argument("encodePng: the pixels do not match the image size");
    }

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

    std::vector<uint8_t> header;
    putBig32(header, image.width);
    putBig32(header, image.height);
    header.push_back(8);  // bits per sample
    header.push_back(2);  // colour type: RGB
    header.push_back(0);  // deflate
    header.push_back(0);  // adaptive filtering (every row uses filter 0)
    header.push_back(0);  // not interlaced
    putChunk(png, "IHDR", header);

    std::vector<uint8_t> raw;
    raw.reserve((rowBytes + 1) * image.height);
    for (uint32_t y = 0; y < image.height; ++y) {
        raw.push_back(0);  // filter: none
        const auto row = image.pixels.begin() + static_cast<std::ptrdiff_t>(rowBytes * y);
        raw.insert(raw.end(), row, row + static_cast<std::ptrdiff_t>(rowBytes));
    }
    putChunk(png, "IDAT", storedZlib(raw));
    putChunk(png, "IEND", {});
    return png;
}

}  // namespace scandrel::host
