#include "db/jet/text_decode.h"

#include <cstring>

#include "text/utf.h"

namespace scandrel::db::jet {
namespace {

// The little-endian pairs of `count` bytes (an even number) into `out`.
void widenPairs(const uint8_t* p, size_t count, char16_t* out) {
    for (size_t i = 0; i < count; i += 2) *out++ = static_cast<char16_t>(p[i] | (p[i + 1] << 8));
}

}  // namespace

std::u16string decodeCp1252(Bytes bytes) {
    std::u16string out;
    appendCp1252(bytes, out);
    return out;
}

void appendCp1252(Bytes bytes, std::u16string& out) {
    const size_t base = out.size();
    out.resize(base + bytes.size());
    const uint8_t* p = bytes.data();
    for (size_t i = 0; i < bytes.size(); ++i) out[base + i] = fromCp1252(p[i]);
}

std::u16string decodeUcs2(Bytes bytes) {
    const size_t pairs = bytes.size() / 2;
    std::u16string out(pairs, u'\0');
    widenPairs(bytes.data(), pairs * 2, out.data());
    return out;
}

std::u16string decodeUnicodeText(Bytes bytes) {
    std::u16string out;
    appendUnicodeText(bytes, out);
    return out;
}

void appendUnicodeText(Bytes bytes, std::u16string& out) {
    const uint8_t* p = bytes.data();
    const size_t n = bytes.size();
    const size_t base = out.size();
    if (n < 2 || p[0] != 0xFF || p[1] != 0xFE) {
        const size_t pairs = n / 2;
        out.resize(base + pairs);
        widenPairs(p, pairs * 2, out.data() + base);
        return;
    }
    // Never more characters than bytes: sized once, trimmed at the end.
    out.resize(base + n);
    char16_t* const first = out.data();
    char16_t* w = first + base;
    size_t i = 2;
    while (i < n) {
        // A run in one mode lasts up to the next zero byte.
        const void* zero = std::memchr(p + i, 0, n - i);
        const size_t runEnd = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : n;
        for (; i < runEnd; ++i) *w++ = static_cast<char16_t>(p[i]);
        if (i >= n) break;
        // The zero switches to two bytes per character. A pair may hold a zero byte
        // itself, so the run ends at the first pair whose first byte is zero.
        ++i;
        while (i < n && p[i] != 0) {
            if (i + 1 >= n) {
                i = n;  // an odd byte at the end is dropped
                break;
            }
            *w++ = static_cast<char16_t>(p[i] | (p[i + 1] << 8));
            i += 2;
        }
        if (i < n) ++i;  // the zero that switches back to one byte per character
    }
    out.resize(static_cast<size_t>(w - first));
}

}  // namespace scandrel::db::jet
