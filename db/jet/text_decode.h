#pragma once
// Texts as the file stores them, to UTF-16.
#include <string>

#include "db/jet/bytes.h"

namespace scandrel::db::jet {

// Jet 3: one byte per character in code page 1252.
std::u16string decodeCp1252(Bytes bytes);
// Plain UCS-2, little-endian; an odd last byte is dropped.
std::u16string decodeUcs2(Bytes bytes);
// Jet 4 and later: UCS-2, or the compressed form that starts with 0xFF 0xFE, where
// single bytes stand for characters below U+0100 and a zero byte switches between
// one and two bytes per character.
std::u16string decodeUnicodeText(Bytes bytes);

// The same, appended to `out`.
void appendCp1252(Bytes bytes, std::u16string& out);
void appendUnicodeText(Bytes bytes, std::u16string& out);

}  // namespace scandrel::db::jet
