#include "search/search_words.h"

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
    for (const auto& word : words) {
        if (lowerCaseText.find(word) == std::u16string_view::npos) return false;
    }
    return true;
}

}  // namespace scandrel::search
