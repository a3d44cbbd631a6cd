#pragma once
// Names of tables and fields compared as the engine compares them, without regard to
// case, in a Jet file and on a database server alike. Pure functions, any thread.
#include <string>
#include <string_view>

namespace scandrel::db {

// Simple lower-case mapping for names (ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic).
char16_t foldCase(char16_t c);

// The name with every character folded: equal for names that differ only in case.
std::u16string foldName(std::u16string_view name);

}  // namespace scandrel::db
