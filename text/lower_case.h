#pragma once
// Unicode simple lower-case mapping of UTF-16 code units, the same on every build.
#include <string>
#include <string_view>

namespace scandrel::text {

char16_t toLower(char16_t c) noexcept;
std::u16string toLower(std::u16string_view s);

}  // namespace scandrel::text
