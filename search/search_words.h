#pragma once
// The typed search text as words, and the word test on a patient's text.
#include <string>
#include <string_view>
#include <vector>

namespace scandrel::search {

// The lower-cased, normalised text of the search box.
std::u16string prepareSearchText(std::u16string_view typed);

// Words at single spaces, in typed order. The empty text is one empty word, which
// every patient contains.
std::vector<std::u16string> splitWords(std::u16string_view searchText);

// True when every word occurs somewhere in `lowerCaseText`: inside longer words,
// across the joins between values, in any order, overlapping or not.
// Stops at the first word that is missing.
bool containsAllWords(std::u16string_view lowerCaseText, const std::vector<std::u16string>& words);

}  // namespace scandrel::search
