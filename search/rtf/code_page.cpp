#include "search/rtf/code_page.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "text/utf.h"

namespace scandrel::search::rtf {

namespace {

struct ByteTable {
    uint32_t codePage;
    std::array<char16_t, 128> upperHalf;  // bytes 0x80-0xFF
};

constexpr ByteTable kTables[] = {
#include "search/rtf/code_page_tables.inc"
};

static_assert(std::is_sorted(std::begin(kTables), std::end(kTables),
                             [](const ByteTable& a, const ByteTable& b) { return a.codePage < b.codePage; }));

const ByteTable* findTable(uint32_t codePage) {
    const auto* it = std::lower_bound(std::begin(kTables), std::end(kTables), codePage,
                                      [](const ByteTable& t, uint32_t cp) { return t.codePage < cp; });
    return it != std::end(kTables) && it->codePage == codePage ? it : nullptr;
}

}  // namespace

bool isSupportedCodePage(uint32_t codePage) {
    return codePage == kWesternCodePage || codePage == kSymbolCodePage || findTable(codePage) != nullptr;
}

char16_t decodeByte(uint32_t codePage, unsigned char byte) {
    if (codePage == kSymbolCodePage) return static_cast<char16_t>(0xF000u + byte);
    if (byte < 0x80) return byte;
    if (codePage != kWesternCodePage) {
        if (const ByteTable* table = findTable(codePage)) return table->upperHalf[byte - 0x80u];
    }
    return fromCp1252(byte);
}

uint32_t codePageOfCharset(int32_t charset) {
    switch (charset) {
        case 0: return 1252;    // ANSI
        case 2: return kSymbolCodePage;
        case 77: return 10000;  // Macintosh
        case 128: return 932;   // Shift JIS
        case 129: return 949;   // Hangul
        case 134: return 936;   // GB 2312
        case 136: return 950;   // Big5
        case 161: return 1253;  // Greek
        case 162: return 1254;  // Turkish
        case 163: return 1258;  // Vietnamese
        case 177: return 1255;  // Hebrew
        case 178: return 1256;  // Arabic
        case 186: return 1257;  // Baltic
        case 204: return 1251;  // Cyrillic
        case 222: return 874;   // Thai
        case 238: return 1250;  // Eastern European
        case 254: return 437;   // PC 437
        case 255: return 850;   // OEM
        default: return 0;      // default and unknown sets
    }
}

}  // namespace scandrel::search::rtf
