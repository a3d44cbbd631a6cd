#pragma once
// Rich text as a word processor writes it into the host's memo fields: a header
// with font and colour tables, then paragraphs with bold, italic, colour and size
// runs. Characters 128 to 255 of code page 1252 are written as \'xx, others
// beyond ASCII as \uN? (N the signed 16-bit code, "?" the fallback for readers
// without Unicode), and \ { } escaped.
#include <string>
#include <string_view>
#include <vector>

#include "demo/rng.h"

namespace scandrel::demo {

// A document whose visible text is `paragraphs`, each ended by \par as word
// processors do; the formatting around the words is chosen by rng. Words and
// spaces are kept exactly, so a converter to plain text gives back the
// paragraphs, each followed by a paragraph mark.
std::u16string makeRtfMemo(Rng& rng, const std::vector<std::u16string>& paragraphs);

// Clinical prose for memos: `sentences` sentences in Portuguese, with accents.
std::u16string makeClinicalSentences(Rng& rng, int sentences);

// The text with the \'xx, \uN? and \\ \{ \} escapes of the writer above.
std::u16string escapeRtfText(std::u16string_view text);

}  // namespace scandrel::demo
