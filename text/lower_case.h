#pragma once
// Unicode simple lower-case mapping of UTF-16 code units, the same on every build.
#include <string>
#include <string_view>

namespace scandrel::text {

// The mapping as the generated table gives it, for any code unit.
char16_t toLowerByTable(char16_t c) noexcept;

// The same mapping; Latin-1 (nearly every character of the texts searched) without
// the table look-up.
inline char16_t toLower(char16_t c) noexcept {
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c;
    if (c < 0x100) return (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? static_cast<char16_t>(c + 0x20) : c;
    return toLowerByTable(c);
}

std::u16string toLower(std::u16string_view s);
// The same for a whole text, in place.
void toLowerInPlace(std::u16string& text);

}  // namespace scandrel::text
