#include "db/writer/jet_text.h"

#include "db/writer/writer_errors.h"

namespace scandrel::db::writer {
namespace {

bool compressible(std::u16string_view text) {
    for (char16_t c : text) {
        if ((c & 0xFF) == 0) return false;
    }
    return true;
}

Bytes compress(std::u16string_view text) {
    Bytes out{0xFF, 0xFE};
    bool oneByte = true;
    for (char16_t c : text) {
        const bool narrow = c < 0x100;
        if (narrow != oneByte) {
            out.push_back(0);
            oneByte = narrow;
        }
        out.push_back(static_cast<uint8_t>(c));
        if (!oneByte) out.push_back(static_cast<uint8_t>(c >> 8));
    }
    return out;
}

Bytes plain(std::u16string_view text) {
    Bytes out;
    out.reserve(text.size() * 2);
    for (char16_t c : text) append16(out, c);
    return out;
}

}  // namespace

Bytes encodeJetText(std::u16string_view text, bool allowCompression) {
    const bool startsWithMarker = !text.empty() && text.front() == 0xFEFF;
    if (allowCompression && compressible(text)) {
        Bytes packed = compress(text);
        if (packed.size() < text.size() * 2 || startsWithMarker) return packed;
    }
    if (startsWithMarker) throw unstorableText(u"(U+FEFF inicial)");
    return plain(text);
}

void checkStorableText(std::u16string_view text, std::u16string_view column) {
    for (char16_t c : text) {
        if (c == 0 || (c >= 0xD800 && c <= 0xDFFF)) throw unstorableText(column);
    }
}

}  // namespace scandrel::db::writer
