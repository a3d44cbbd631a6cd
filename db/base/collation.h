#pragma once
// The general sort order of texts, the engine's and a linked table's alike: letters
// compared without regard to case and accents, hyphens and apostrophes ignored; then
// accents decide, then case (lower before upper). Pure functions, any thread.
#include <string>
#include <string_view>

namespace scandrel::db {

// A key whose plain code-unit order is the sort order above.
std::u16string collationKey(std::u16string_view text);

// <0, 0 or >0.
int compareText(std::u16string_view a, std::u16string_view b);

}  // namespace scandrel::db
