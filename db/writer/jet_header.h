#pragma once
// Page 0 of a Jet 4 file: signature, version, and the block that the format
// masks with a fixed RC4 key (code page, sort order, creation date, password).
#include "db/writer/jet_bytes.h"

namespace scandrel::db::writer {

// A database without password, code page 1252, general sort order.
Bytes databaseHeaderPage();

// RC4 key stream, as the header mask uses it.
Bytes rc4KeyStream(const Bytes& key, size_t length);

}  // namespace scandrel::db::writer
