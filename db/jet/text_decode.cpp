#include "db/jet/text_decode.h"

#include "db/base/stored_texts.h"

namespace scandrel::db::jet {

std::u16string decodeCp1252(Bytes bytes) {
    std::u16string out;
    appendCp1252(bytes, out);
    return out;
}

void appendCp1252(Bytes bytes, std::u16string& out) { appendCp1252Text(bytes.data(), bytes.size(), out); }

std::u16string decodeUcs2(Bytes bytes) {
    std::u16string out;
    appendUcs2Text(bytes.data(), bytes.size(), out);
    return out;
}

std::u16string decodeUnicodeText(Bytes bytes) {
    std::u16string out;
    appendUnicodeText(bytes, out);
    return out;
}

void appendUnicodeText(Bytes bytes, std::u16string& out) { appendJet4Text(bytes.data(), bytes.size(), out); }

}  // namespace scandrel::db::jet
