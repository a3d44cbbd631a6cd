#include "search/search_words.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/lower_case.h"
#include "text/normalize.h"

namespace scandrel::search {

std::u16string prepareSearchText(std::u16string_view typed) {
    std::u16string text = text::toLower(typed);
    text::normalizeInPlace(text);
    return text;
}

std::vector<std::u16string> splitWords(std::u16string_view searchText) {
    std::vector<std::u16string> words;
    size_t start = 0;
    for (;;) {
        const size_t space = searchText.find(u' ', start);
        if (space == std::u16string_view::npos) {
            words.emplace_back(searchText.substr(start));
            return words;
        }
        words.emplace_back(searchText.substr(start, space - start));
        start = space + 1;
    }
}

bool containsAllWords(std::u16string_view lowerCaseText, const std::vector<std::u16string>& words) {
    return WordMatcher(words).allFoundIn(lowerCaseText);
}

WordMatcher::WordMatcher(const std::vector<std::u16string>& words, WordSearch how) : how_(how) {
    words_.reserve(words.size());
    for (const auto& text : words) {
        Word& word = words_.emplace_back();
        word.text = text;
        const size_t length = text.size();
        word.shift.fill(static_cast<uint8_t>(std::min<size_t>(length, 255)));
        // Nearer the end means a shorter move: later characters overwrite earlier ones.
        for (size_t i = 0; i + 1 < length; ++i) {
            word.shift[text[i] & 0xFFu] = static_cast<uint8_t>(std::min<size_t>(length - 1 - i, 255));
        }
    }
}

bool WordMatcher::allFoundIn(std::u16string_view lowerCaseText) const {
    for (const Word& word : words_) {
        if (!occursIn(word, lowerCaseText)) return false;
    }
    return true;
}

bool WordMatcher::occursIn(const Word& word, std::u16string_view text) const {
    const size_t length = word.text.size();
    if (length == 0) return true;
    if (length > text.size()) return false;
#if defined(__SSE2__)
    if (how_ == WordSearch::Fastest) return occursInByEights(word.text, text);
#endif
    return occursBySkipping(word, text);
}

#if defined(__SSE2__)
// Eight places where the word could start at a time: those whose first and last
// characters both match are the only ones whose middle is compared. The places too
// near the end for eight are tried one by one.
bool WordMatcher::occursInByEights(std::u16string_view word, std::u16string_view text) {
    const size_t length = word.size();
    const char16_t* const t = text.data();
    const char16_t* const w = word.data();
    const size_t places = text.size() - length + 1;
    const __m128i first = _mm_set1_epi16(static_cast<short>(w[0]));
    const __m128i last = _mm_set1_epi16(static_cast<short>(w[length - 1]));
    size_t at = 0;
    for (; at + 8 <= places; at += 8) {
        const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + at));
        const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + at + length - 1));
        auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi16(starts, first), _mm_cmpeq_epi16(ends, last))));
        while (mask != 0) {
            const auto bit = static_cast<unsigned>(__builtin_ctz(mask));
            const char16_t* const place = t + at + bit / 2;
            if (length <= 2 || std::equal(w + 1, w + length - 1, place + 1)) return true;
            mask &= ~(3u << bit);  // both bytes of the character
        }
    }
    for (; at < places; ++at) {
        if (t[at] == w[0] && std::equal(w + 1, w + length, t + at + 1)) return true;
    }
    return false;
}
#endif

// The window of the word's length moves along the text; where its last character
// matches, the rest is compared. The character under the window's end decides how
// far it moves: not past any place where the word could end.
bool WordMatcher::occursBySkipping(const Word& word, std::u16string_view text) {
    const size_t length = word.text.size();
    if (length == 1) return text.find(word.text[0]) != std::u16string_view::npos;
    const char16_t* const t = text.data();
    const char16_t* const w = word.text.data();
    const char16_t last = w[length - 1];
    for (size_t end = length - 1; end < text.size(); end += word.shift[t[end] & 0xFFu]) {
        if (t[end] == last && std::equal(w, w + length - 1, t + end - (length - 1))) return true;
    }
    return false;
}

}  // namespace scandrel::search
