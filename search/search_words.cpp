#include "search/search_words.h"

#include <algorithm>

#include "text/lower_case.h"
#include "text/normalize.h"

namespace scandrel::search {

std::u16string prepareSearchText(std::u16string_view typed) {
    std::u16string text = text::toLower(typed);
    text::NormalizeText(text);
    return text;
}

void lowerCaseInPlace(std::u16string& text) {
    // Normalised texts are nearly all ASCII: blocks without any other character take
    // a loop simple enough for the compiler to do several characters at once.
    constexpr std::size_t kBlock = 32;
    char16_t* const p = text.data();
    const std::size_t n = text.size();
    for (std::size_t start = 0; start < n; start += kBlock) {
        const std::size_t end = std::min(n, start + kBlock);
        char16_t seen = 0;
        for (std::size_t i = start; i < end; ++i) seen = static_cast<char16_t>(seen | p[i]);
        if (seen < 0x80) {
            for (std::size_t i = start; i < end; ++i) {
                const bool upper = static_cast<char16_t>(p[i] - u'A') < 26;
                p[i] = static_cast<char16_t>(p[i] + (upper ? 0x20 : 0));
            }
        } else {
            for (std::size_t i = start; i < end; ++i) p[i] = text::toLower(p[i]);
        }
    }
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
    for (const auto& word : words) {
        if (lowerCaseText.find(word) == std::u16string_view::npos) return false;
    }
    return true;
}

}  // namespace scandrel::search
