#pragma once
// Conversions at the edges: the program works in UTF-16 throughout.
#include <string>
#include <string_view>

namespace scandrel {

// Invalid input (lone surrogates, bad UTF-8) becomes U+FFFD.
std::u16string fromUtf8(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

// Windows code page 1252 (the Western code page of the host's files) to UTF-16.
char16_t fromCp1252(unsigned char byte);

}  // namespace scandrel
