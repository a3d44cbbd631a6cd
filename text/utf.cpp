#include "text/utf.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scandrel {

namespace {
constexpr char16_t kReplacement = u'\uFFFD';

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}
}  // namespace

std::u16string fromUtf8(std::string_view in) {
    // Never more units than bytes: written in place, then cut to length. Texts from a
    // server come this way, most of them ASCII: runs of it are copied a unit a byte.
    std::u16string out(in.size(), u'\0');
    char16_t* to = out.data();
    const auto* at = reinterpret_cast<const unsigned char*>(in.data());
    const auto* const end = at + in.size();
    while (at < end) {
#if defined(__SSE2__)
        // Sixteen bytes at a time while they are all ASCII, each widened to a unit.
        const __m128i zero = _mm_setzero_si128();
        while (end - at >= 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
            if (_mm_movemask_epi8(bytes) != 0) break;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_unpacklo_epi8(bytes, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 8), _mm_unpackhi_epi8(bytes, zero));
            to += 16;
            at += 16;
        }
#endif
        // Eight bytes at a time while they are all ASCII.
        while (end - at >= 8) {
            uint64_t eight;
            std::memcpy(&eight, at, sizeof eight);
            if ((eight & 0x8080808080808080u) != 0) break;
            for (int k = 0; k < 8; ++k) to[k] = at[k];
            to += 8;
            at += 8;
        }
        if (at == end) break;
        const unsigned char b = *at;
        if (b < 0x80) {
            *to++ = b;
            ++at;
            continue;
        }
        int extra = 0;
        uint32_t cp = 0;
        uint32_t min = 0;
        if ((b & 0xE0) == 0xC0) { extra = 1; cp = b & 0x1Fu; min = 0x80; }
        else if ((b & 0xF0) == 0xE0) { extra = 2; cp = b & 0x0Fu; min = 0x800; }
        else if ((b & 0xF8) == 0xF0) { extra = 3; cp = b & 0x07u; min = 0x10000; }
        else { *to++ = kReplacement; ++at; continue; }
        if (end - at <= extra) {
            *to++ = kReplacement;
            ++at;
            continue;
        }
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char c = at[k];
            if ((c & 0xC0) != 0x80) { ok = false; break; }
            cp = (cp << 6) | (c & 0x3Fu);
        }
        if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            *to++ = kReplacement;
            ++at;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            *to++ = static_cast<char16_t>(0xD800 + (cp >> 10));
            *to++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            *to++ = static_cast<char16_t>(cp);
        }
        at += extra + 1;
    }
    out.resize(static_cast<size_t>(to - out.data()));
    return out;
}

std::string toUtf8(std::u16string_view in) {
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        uint32_t cp = in[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00u);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        appendUtf8(out, cp);
    }
    return out;
}

char16_t fromCp1252(unsigned char byte) {
    // 0x80..0x9F differ from Latin-1; undefined positions map to themselves as the platform does.
    static constexpr std::array<char16_t, 32> k80 = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    if (byte >= 0x80 && byte < 0xA0) return k80[byte - 0x80u];
    return byte;
}

}  // namespace scandrel
