#pragma once
// The rich-text reader's two scans over the characters of a document, where it
// spends most of its time: a run of text up to the next character that ends it
// (copied as it is scanned), and the letters of a control word's name. Each is here
// twice: the portable one, character by character, and one that takes eight
// characters at a time with SSE2 where the compiler targets it. The reader calls
// the names in `scan`, which are the fastest the build has; the tests run both and
// compare. Pure functions over the caller's buffers, for any thread.
#include <array>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scandrel::search::rtf {

// Braces, backslash, line ends and NUL end a run of text.
constexpr std::array<bool, 128> runEnds() {
    std::array<bool, 128> ends{};
    for (const char16_t c : {u'{', u'}', u'\\', u'\r', u'\n', u'\0'}) ends[c] = true;
    return ends;
}
inline constexpr std::array<bool, 128> kRunEnds = runEnds();

inline bool endsTextRun(char16_t c) { return c < kRunEnds.size() && kRunEnds[c]; }

// One comparison: setting bit 5 maps A-Z onto a-z and nothing else onto them.
inline bool isAsciiLetter(char16_t c) { return static_cast<unsigned>((c | 0x20u) - u'a') < 26u; }

namespace portable {

// Copies characters from `p` to `w` up to the first that ends a run, or to `end`;
// both are left after the run.
inline void copyTextRun(const char16_t*& p, const char16_t* end, char16_t*& w) {
    while (p < end && !endsTextRun(*p)) *w++ = *p++;
}

// The end of the ASCII letters from `p` on.
inline const char16_t* skipLetters(const char16_t* p, const char16_t* end) {
    while (p < end && isAsciiLetter(*p)) ++p;
    return p;
}

}  // namespace portable

#if defined(__SSE2__)
namespace sse2 {

// As portable::copyTextRun. Where there is room for them, characters go eight at a
// time: the eight are stored whatever they are, so `w` must have room for as many
// characters as lie between `p` and `end` (the reader's output never overtakes its
// input), and the run ends at the first that ends it.
inline void copyTextRun(const char16_t*& p, const char16_t* end, char16_t*& w) {
    const __m128i openBrace = _mm_set1_epi16(static_cast<short>(u'{'));
    const __m128i closeBrace = _mm_set1_epi16(static_cast<short>(u'}'));
    const __m128i backslash = _mm_set1_epi16(static_cast<short>(u'\\'));
    const __m128i carriageReturn = _mm_set1_epi16(static_cast<short>(u'\r'));
    const __m128i lineFeed = _mm_set1_epi16(static_cast<short>(u'\n'));
    const __m128i zero = _mm_setzero_si128();
    while (end - p >= 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(w), eight);
        const __m128i ends = _mm_or_si128(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(eight, openBrace), _mm_cmpeq_epi16(eight, closeBrace)),
                         _mm_or_si128(_mm_cmpeq_epi16(eight, backslash), _mm_cmpeq_epi16(eight, zero))),
            _mm_or_si128(_mm_cmpeq_epi16(eight, carriageReturn), _mm_cmpeq_epi16(eight, lineFeed)));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(ends));
        if (mask != 0) {
            const auto length = static_cast<size_t>(__builtin_ctz(mask) / 2);
            p += length;
            w += length;
            return;
        }
        p += 8;
        w += 8;
    }
    portable::copyTextRun(p, end, w);
}

// As portable::skipLetters, eight characters at a time where there are eight.
inline const char16_t* skipLetters(const char16_t* p, const char16_t* end) {
    const __m128i caseBit = _mm_set1_epi16(0x20);
    const __m128i letterA = _mm_set1_epi16(static_cast<short>(u'a'));
    const __m128i minusOne = _mm_set1_epi16(-1);
    const __m128i alphabet = _mm_set1_epi16(26);
    while (end - p >= 8) {
        // (c | 0x20) - 'a' in 0..25; characters from U+8000 up are negative here.
        const __m128i offset =
            _mm_sub_epi16(_mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), caseBit), letterA);
        const __m128i letters = _mm_and_si128(_mm_cmpgt_epi16(offset, minusOne), _mm_cmplt_epi16(offset, alphabet));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(letters));
        if (mask != 0xFFFFu) return p + __builtin_ctz(~mask) / 2;
        p += 8;
    }
    return portable::skipLetters(p, end);
}

}  // namespace sse2
namespace scan = sse2;
#else
namespace scan = portable;
#endif

}  // namespace scandrel::search::rtf
