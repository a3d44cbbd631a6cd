#include "db/writer/jet_header.h"

#include <array>
#include <utility>

namespace scandrel::db::writer {
namespace {

constexpr size_t kMaskedStart = 0x18;
constexpr size_t kMaskedLength = 128;

}  // namespace

Bytes rc4KeyStream(const Bytes& key, size_t length) {
    std::array<uint8_t, 256> s{};
    for (size_t i = 0; i < 256; ++i) s[i] = static_cast<uint8_t>(i);
    size_t j = 0;
    for (size_t i = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % key.size()]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    Bytes out(length);
    size_t a = 0;
    size_t b = 0;
    for (size_t n = 0; n < length; ++n) {
        a = (a + 1) & 0xFF;
        b = (b + s[a]) & 0xFF;
        std::swap(s[a], s[b]);
        out[n] = s[(s[a] + s[b]) & 0xFF];
    }
    return out;
}

Bytes databaseHeaderPage() {
    Bytes page(kPageSize, 0);
    put32(&page[0], 0x00000100);
    const char signature[] = "Standard Jet DB";
    for (size_t i = 0; i < sizeof signature; ++i) page[4 + i] = static_cast<uint8_t>(signature[i]);
    page[0x14] = 0x01;  // Jet 4
    put16(&page[0x3C], 1252);    // code page
    put16(&page[0x6E], 0x0409);  // general sort order
    // The creation date at 0x72 stays 0: the password mask derived from it is
    // then 0, and the zero password area reads as "no password".
    const Bytes mask = rc4KeyStream({0xC7, 0xDA, 0x39, 0x6B}, kMaskedLength);
    for (size_t i = 0; i < kMaskedLength; ++i) page[kMaskedStart + i] ^= mask[i];
    return page;
}

}  // namespace scandrel::db::writer
