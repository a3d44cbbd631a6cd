#pragma once
// Names of tables and fields compared as the engine compares them, without regard to
// case, in a Jet file and on a database server alike. Pure functions, any thread.
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace scandrel::db {

// Simple lower-case mapping for names (ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic).
char16_t foldCase(char16_t c);

// The name with every character folded: equal for names that differ only in case.
std::u16string foldName(std::u16string_view name);

// A map by a name or statement text exactly as written, looked up with a view of it
// without a copy: for what is looked up many times a search, once per row.
struct ExactTextHash {
    using is_transparent = void;
    size_t operator()(std::u16string_view text) const { return std::hash<std::u16string_view>{}(text); }
};
template <class T>
using ByExactText = std::unordered_map<std::u16string, T, ExactTextHash, std::equal_to<>>;

}  // namespace scandrel::db
