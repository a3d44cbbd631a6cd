#pragma once
// The typed search text as words, and the word test on a patient's text.
#include <array>
#include <cstdint>
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

// How a word is looked for in a text: `Fastest` is eight places at a time where the
// processor compares eight characters at once (SSE2 builds, all of ours) and
// `Portable` elsewhere; `Portable` skips along the text by the word's characters,
// on every build. Both give the same answers.
enum class WordSearch : uint8_t { Fastest, Portable };

// The same test with the words made ready once, for the many texts of a run.
class WordMatcher {
public:
    explicit WordMatcher(const std::vector<std::u16string>& words, WordSearch how = WordSearch::Fastest);
    bool allFoundIn(std::u16string_view lowerCaseText) const;

private:
    // A word and, by the low byte of a text's character, how far a window
    // ending on that character may move on (characters that share a low byte
    // share the smallest distance).
    struct Word {
        std::u16string text;
        std::array<uint8_t, 256> shift;
    };
    bool occursIn(const Word& word, std::u16string_view text) const;
    // Eight places at a time where the processor compares eight characters at once
    // (SSE2), by skipping with `shift` elsewhere. Both need a word that is not empty
    // and not longer than the text.
    static bool occursInByEights(std::u16string_view word, std::u16string_view text);
    static bool occursBySkipping(const Word& word, std::u16string_view text);

    std::vector<Word> words_;
    WordSearch how_;
};

}  // namespace scandrel::search
