#pragma once
// Why a patient matched: for each typed word, where in the patient's data it was
// found and a short excerpt around it in the text as written, the word marked.
// Shown on the result rows of the search window (tooltip and accessible
// description) and by `scandrel search --why`.
#include <cstddef>
#include <string>
#include <vector>

#include "search/text_sources.h"

namespace scandrel::search {

// Characters of context on each side of the found word, at most; the excerpt is
// cut at a space within them, and a cut is shown as "…".
inline constexpr size_t kExcerptContext = 24;
// Characters of the found word shown, at most.
inline constexpr size_t kExcerptWord = 40;
// Lines a row's reasons take, at most; further words are counted on the last.
inline constexpr size_t kMaxReasonLines = 4;

// Where one typed word was found.
struct FoundWord {
    std::u16string word;        // as searched (lower-cased, without accents)
    std::u16string source;      // sourceLabel of where it was found
    std::u16string excerpt;     // "…crises de [asma] desde a…", as written
    std::u16string longerWord;  // the whole word it was found inside, when it is part of one
    bool acrossValues = false;  // it begins in one value and ends in the next
};

// Each distinct, non-empty word of `words`, in typed order, where `text` holds it.
// Of its occurrences the first whole word within one value is shown, else the first
// within one value, else the first. Words the text does not hold are left out.
std::vector<FoundWord> findWords(const SourcedText& text, const std::vector<std::u16string>& words);

// One line for a found word:
// «asma — Anamnese de 15/08/2003 (texto): "…crises de [asma] desde a…"».
std::u16string reasonLine(const FoundWord& found);

// The lines of a row: one per word, at most kMaxReasonLines, the last of them
// saying how many more words there are when they don't all fit.
std::vector<std::u16string> reasonLines(const std::vector<FoundWord>& found);

}  // namespace scandrel::search
