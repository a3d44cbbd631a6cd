#pragma once
// The general sort order of texts: letters compared without regard to case and
// accents, hyphens and apostrophes ignored; then accents decide, then case
// (lower before upper).
#include <string>
#include <string_view>

namespace scandrel::db::jet {

// Simple lower-case mapping for names (ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic).
char16_t foldCase(char16_t c);

// A key whose plain code-unit order is the sort order above.
std::u16string collationKey(std::u16string_view text);

// <0, 0 or >0.
int compareText(std::u16string_view a, std::u16string_view b);

}  // namespace scandrel::db::jet
