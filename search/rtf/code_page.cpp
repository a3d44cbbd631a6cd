#include "search/rtf/code_page.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "text/utf.h"

namespace scandrel::search::rtf {

struct DoubleByteTable {
    static constexpr unsigned kFirstTrail = 0x40;
    static constexpr size_t kTrailCount = 0x100 - kFirstTrail;

    uint32_t codePage;
    char16_t defaultCharacter;             // for a pair the page leaves undefined
    std::array<char16_t, 128> singleBytes;  // bytes 0x80-0xFF; 0 for lead bytes
    std::array<uint8_t, 128> leadRows;      // bytes 0x80-0xFF: 1 + the lead byte's row in pairs, or 0
    const char16_t (*pairs)[kTrailCount];   // by lead byte, then trail byte from kFirstTrail
};

namespace {

struct SingleByteTable {
    uint32_t codePage;
    std::array<char16_t, 128> upperHalf;  // bytes 0x80-0xFF
};

// Generated at build time (scripts/gen-code-page-tables).
constexpr SingleByteTable kSingleByteTables[] = {
#include "single_byte_tables.inc"
};
#include "double_byte_tables.inc"

constexpr auto byPage = [](const auto& table, uint32_t codePage) { return table.codePage < codePage; };

template <typename Table, size_t N>
const Table* findTable(const Table (&tables)[N], uint32_t codePage) {
    static_assert(N > 0);
    const Table* it = std::lower_bound(std::begin(tables), std::end(tables), codePage, byPage);
    return it != std::end(tables) && it->codePage == codePage ? it : nullptr;
}

const std::array<char16_t, 128>& westernTable() {
    static const std::array<char16_t, 128> table = [] {
        std::array<char16_t, 128> half{};
        for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
            half[byte - 0x80] = fromCp1252(static_cast<unsigned char>(byte));
        }
        return half;
    }();
    return table;
}

constexpr char16_t kReplacement = u'\uFFFD';

}  // namespace

bool isSupportedCodePage(uint32_t codePage) {
    return codePage == kWesternCodePage || codePage == kSymbolCodePage || codePage == kUtf8CodePage ||
           findTable(kSingleByteTables, codePage) != nullptr || findTable(kDoubleByteTables, codePage) != nullptr;
}

uint32_t codePageOfCharset(int32_t charset) {
    switch (charset) {
        case 0: return 1252;    // ANSI
        case 2: return kSymbolCodePage;
        case 77: return 10000;  // Macintosh
        case 83: return 10005;  // Macintosh Hebrew
        case 84: return 10004;  // Macintosh Arabic
        case 85: return 10006;  // Macintosh Greek
        case 86: return 10081;  // Macintosh Turkish
        case 87: return 10021;  // Macintosh Thai
        case 88: return 10029;  // Macintosh Central European
        case 89: return 10007;  // Macintosh Cyrillic
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

int westernByteOf(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    const auto& table = westernTable();
    const auto* it = std::find(table.begin(), table.end(), c);
    return it != table.end() ? static_cast<int>(0x80 + (it - table.begin())) : -1;
}

void ByteDecoder::select(uint32_t codePage) {
    codePage_ = codePage;
    selected_ = true;
    singleBytes_ = nullptr;
    doubleBytes_ = nullptr;
    if (codePage == kWesternCodePage) {
        singleBytes_ = westernTable().data();
    } else if (const SingleByteTable* single = findTable(kSingleByteTables, codePage)) {
        singleBytes_ = single->upperHalf.data();
    } else {
        doubleBytes_ = findTable(kDoubleByteTables, codePage);
    }
}

size_t ByteDecoder::putAfterSelecting(uint32_t codePage, unsigned char byte, char16_t* out) {
    size_t written = 0;
    if (codePage != codePage_ || !selected_) {
        written = finish(out);
        select(codePage);
    }
    if (codePage_ == kSymbolCodePage) {
        out[written] = static_cast<char16_t>(byte < 0x80 ? byte : 0xF000u + byte);
        return written + 1;
    }
    if (singleBytes_ != nullptr) {
        out[written] = byte < 0x80 ? byte : singleBytes_[byte - 0x80u];
        return written + 1;
    }
    if (doubleBytes_ != nullptr) return written + putDoubleByte(byte, out + written);
    return written + putUtf8(byte, out + written);
}

size_t ByteDecoder::putDoubleByte(unsigned char byte, char16_t* out) {
    const DoubleByteTable& table = *doubleBytes_;
    if (count_ != 0) {
        count_ = 0;
        const unsigned trail = byte;
        if (trail >= DoubleByteTable::kFirstTrail) {
            const char16_t c = table.pairs[table.leadRows[lead_ - 0x80u] - 1][trail - DoubleByteTable::kFirstTrail];
            out[0] = c != 0 ? c : table.defaultCharacter;
            return 1;
        }
        // Not a trail byte: the lead byte alone, and this byte on its own.
        out[0] = table.defaultCharacter;
        return 1 + putDoubleByte(byte, out + 1);
    }
    if (byte < 0x80) {
        out[0] = byte;
        return 1;
    }
    if (table.leadRows[byte - 0x80u] != 0) {
        lead_ = byte;
        count_ = 1;
        return 0;
    }
    out[0] = table.singleBytes[byte - 0x80u];
    return 1;
}

// Each byte that cannot continue a sequence ends it: the bytes read so far stand
// for one replacement character, and the byte is read anew. The second byte's
// range rules out overlong forms, surrogates and values past U+10FFFF.
size_t ByteDecoder::putUtf8(unsigned char byte, char16_t* out) {
    if (count_ != 0) {
        unsigned low = 0x80;
        unsigned high = 0xBF;
        if (count_ == 1) {
            if (lead_ == 0xE0) low = 0xA0;
            if (lead_ == 0xED) high = 0x9F;
            if (lead_ == 0xF0) low = 0x90;
            if (lead_ == 0xF4) high = 0x8F;
        }
        if (byte < low || byte > high) {
            count_ = 0;
            out[0] = kReplacement;
            return 1 + putUtf8(byte, out + 1);
        }
        utf8Value_ = (utf8Value_ << 6) | (byte & 0x3Fu);
        if (++count_ < needed_) return 0;
        count_ = 0;
        if (utf8Value_ < 0x10000u) {
            out[0] = static_cast<char16_t>(utf8Value_);
            return 1;
        }
        out[0] = static_cast<char16_t>(0xD800u + ((utf8Value_ - 0x10000u) >> 10));
        out[1] = static_cast<char16_t>(0xDC00u + ((utf8Value_ - 0x10000u) & 0x3FFu));
        return 2;
    }
    if (byte < 0x80) {
        out[0] = byte;
        return 1;
    }
    if (byte >= 0xC2 && byte <= 0xF4) {
        lead_ = byte;
        needed_ = byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
        utf8Value_ = byte & (byte < 0xE0 ? 0x1Fu : byte < 0xF0 ? 0x0Fu : 0x07u);
        count_ = 1;
        return 0;
    }
    out[0] = kReplacement;
    return 1;
}

size_t ByteDecoder::finish(char16_t* out) {
    if (count_ == 0) return 0;
    count_ = 0;
    out[0] = doubleBytes_ != nullptr ? doubleBytes_->defaultCharacter : kReplacement;
    return 1;
}

void FontCodePages::define(int32_t font, uint32_t codePage) {
    // The lookup keeps the last definition of a font.
    fonts_.push_back({font, codePage});
    sorted_ = false;
    cachedFont_ = kNoFont;
}

void FontCodePages::lookUp(int32_t font, uint32_t documentCodePage) {
    cachedFont_ = font;
    cachedDocumentCodePage_ = documentCodePage;
    cachedCodePage_ = documentCodePage;
    if (const uint32_t fontPage = codePageOfFont(font); fontPage != 0) {
        cachedCodePage_ = isSupportedCodePage(fontPage) ? fontPage : kWesternCodePage;
    }
}

uint32_t FontCodePages::codePageOfFont(int32_t font) {
    if (fonts_.empty()) return 0;
    if (!sorted_) {
        sortFonts();
        sorted_ = true;
    }
    auto it = std::upper_bound(fonts_.begin(), fonts_.end(), font, [](int32_t f, const Entry& e) { return f < e.font; });
    if (it == fonts_.begin() || std::prev(it)->font != font) return 0;
    return std::prev(it)->codePage;
}

// By font number, definitions of one font in the order they were read. A font table
// is short: an insertion sort does, without a buffer.
void FontCodePages::sortFonts() {
    const auto byFont = [](const Entry& a, const Entry& b) { return a.font < b.font; };
    if (fonts_.size() > kFewFonts) {
        std::stable_sort(fonts_.begin(), fonts_.end(), byFont);
        return;
    }
    Entry* const first = fonts_.begin();
    Entry* const last = fonts_.end();
    for (Entry* i = first + (first != last ? 1 : 0); i < last; ++i) {
        const Entry entry = *i;
        Entry* j = i;
        for (; j != first && byFont(entry, *(j - 1)); --j) *j = *(j - 1);
        *j = entry;
    }
}

}  // namespace scandrel::search::rtf
