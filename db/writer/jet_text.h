#pragma once
// Text as a Jet 4 file stores it: UTF-16LE, or "compressed Unicode" (the marker
// FF FE, then one byte per character below 256, a 00 byte switching between
// one-byte and two-byte characters) when that is shorter.
#include <string_view>

#include "db/writer/jet_bytes.h"

namespace scandrel::db::writer {

// Compressed only when it saves space and can be decoded unambiguously
// (no character whose low byte is 0). A text that begins with U+FEFF would read
// back as the compression marker when stored plainly, so it is always compressed;
// allowCompression = false (long memos) then fails with an Error.
Bytes encodeJetText(std::u16string_view text, bool allowCompression = true);

// Characters the readers cannot all return the same way make the text
// unstorable (an Error naming the column): U+0000, and surrogates, because
// mdbtools reads texts as UCS-2 and loses characters outside the basic plane.
void checkStorableText(std::u16string_view text, std::u16string_view column);

}  // namespace scandrel::db::writer
