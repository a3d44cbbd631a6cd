#include "db/jet/format.h"

#include <array>
#include <cstring>

namespace scandrel::db::jet {
namespace {

// The header page hides part of itself behind a fixed RC4 key.
void rc4(const std::array<uint8_t, 4>& key, uint8_t* data, size_t size) {
    std::array<uint8_t, 256> s{};
    for (size_t i = 0; i < 256; ++i) s[i] = static_cast<uint8_t>(i);
    uint8_t j = 0;
    for (size_t i = 0; i < 256; ++i) {
        j = static_cast<uint8_t>(j + s[i] + key[i % key.size()]);
        std::swap(s[i], s[j]);
    }
    uint8_t a = 0, b = 0;
    for (size_t n = 0; n < size; ++n) {
        a = static_cast<uint8_t>(a + 1);
        b = static_cast<uint8_t>(b + s[a]);
        std::swap(s[a], s[b]);
        data[n] ^= s[static_cast<uint8_t>(s[a] + s[b])];
    }
}

constexpr uint32_t kVersionOffset = 0x14;
constexpr uint32_t kHiddenStart = 0x18;
constexpr uint32_t kCodePageOffset = 0x3C;
// The key the pages are encrypted with (hidden like the rest); 0 when they are not.
constexpr uint32_t kEncodingKeyOffset = 0x3E;
constexpr size_t kHiddenSize = 126;

}  // namespace

Format readFormat(Bytes header) {
    static const char jet[] = "Standard Jet DB";
    static const char ace[] = "Standard ACE DB";
    const Bytes magic = header.slice(0, 20);
    if (magic.u32(0) != 0x00000100u) corrupt();
    const bool isJet = std::memcmp(magic.data() + 4, jet, sizeof jet) == 0;
    const bool isAce = std::memcmp(magic.data() + 4, ace, sizeof ace) == 0;
    if (!isJet && !isAce) corrupt();

    Format format;
    const uint8_t version = header.u8(kVersionOffset);
    if (version == 0 && isJet) {
        format.generation = Generation::Jet3;
        format.pageSize = 2048;
    } else if (version == 1 && isJet) {
        format.generation = Generation::Jet4;
    } else if (version >= 2 && version <= 6 && isAce) {
        format.generation = Generation::Ace;
    } else {
        corrupt();
    }

    std::array<uint8_t, kHiddenSize> hidden{};
    std::memcpy(hidden.data(), header.slice(kHiddenStart, hidden.size()).data(), hidden.size());
    rc4({0xC7, 0xDA, 0x39, 0x6B}, hidden.data(), hidden.size());
    const Bytes plain(hidden.data(), hidden.size());
    if (format.jet3() && plain.u16(kCodePageOffset - kHiddenStart) != 1252) corrupt();
    format.encrypted = format.generation == Generation::Ace && plain.u32(kEncodingKeyOffset - kHiddenStart) != 0;
    return format;
}

}  // namespace scandrel::db::jet
