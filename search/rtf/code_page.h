#pragma once
// Single-byte code pages for the bytes a rich-text document writes as \'hh.
#include <cstdint>

namespace scandrel::search::rtf {

inline constexpr uint32_t kWesternCodePage = 1252;
// Symbol fonts: each byte stands for the private-use character U+F000 + byte.
inline constexpr uint32_t kSymbolCodePage = 42;

// True when bytes of the code page can be decoded here. Multi-byte pages
// (932, 936, 949, 950, ...) and unknown numbers are not supported; callers fall
// back to the Western page for them.
bool isSupportedCodePage(uint32_t codePage);

// The character of one byte in a supported code page (the Western page for any
// other number).
char16_t decodeByte(uint32_t codePage, unsigned char byte);

// The code page of a font's character set (\fcharsetN), or 0 when the set means
// "the document's own code page" (default and unknown sets).
uint32_t codePageOfCharset(int32_t charset);

}  // namespace scandrel::search::rtf
