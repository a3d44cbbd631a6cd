#pragma once
// Normalisation of search texts: trimmed, single spaces, Portuguese accents of the
// commonest vowels and the cedilla replaced by plain letters (both cases; capitals
// become lower-case plain letters). Letter case is otherwise left alone.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/value.h"

namespace scandrel::text {

// Changes `text` in place and returns it as a general value.
Value NormalizeText(std::u16string& text);

// The same change of `text` in place, for callers that have no use for the copy
// NormalizeText returns.
void normalizeInPlace(std::u16string& text);

// Normalises `text` in place and lower-cases it, as normalizeInPlace followed by
// toLowerInPlace would, in one pass: the form in which the search compares texts.
void normalizeLowerCaseInPlace(std::u16string& text);

// Where each character of the normalised form of `text` comes from: entry i is the
// position in `text` of character i of the normalised text (a space stands for the
// first space of its run), and one entry more gives the length of `text`. Only runs
// of spaces change positions: every other character becomes exactly one character.
std::vector<std::size_t> normalizedPositions(std::u16string_view text);

// Every occurrence of `find` in `text` (case-insensitive, non-overlapping, left to
// right, never re-searching an inserted replacement) replaced by `replacement`.
// An empty `find` leaves `text` unchanged.
void ReplaceAll(const std::u16string& find, const std::u16string& replacement, std::u16string& text);

}  // namespace scandrel::text
