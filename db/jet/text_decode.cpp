#include "db/jet/text_decode.h"

#include "text/utf.h"

namespace scandrel::db::jet {

std::u16string decodeCp1252(Bytes bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) out.push_back(fromCp1252(bytes.data()[i]));
    return out;
}

std::u16string decodeUcs2(Bytes bytes) {
    std::u16string out;
    const uint8_t* p = bytes.data();
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(static_cast<char16_t>(p[i] | (p[i + 1] << 8)));
    return out;
}

std::u16string decodeUnicodeText(Bytes bytes) {
    const uint8_t* p = bytes.data();
    const size_t n = bytes.size();
    if (n < 2 || p[0] != 0xFF || p[1] != 0xFE) return decodeUcs2(bytes);
    std::u16string out;
    out.reserve(n);
    bool compressed = true;
    size_t i = 2;
    while (i < n) {
        if (p[i] == 0) {
            compressed = !compressed;
            ++i;
        } else if (compressed) {
            out.push_back(static_cast<char16_t>(p[i]));
            ++i;
        } else {
            if (i + 1 >= n) break;
            out.push_back(static_cast<char16_t>(p[i] | (p[i + 1] << 8)));
            i += 2;
        }
    }
    return out;
}

}  // namespace scandrel::db::jet
