#include "db/base/collation.h"

#include <array>

#include "db/base/names.h"

namespace scandrel::db {
namespace {

enum Accent : char16_t { kNone = 1, kAcute, kGrave, kCircumflex, kTilde, kDiaeresis, kRing, kCedilla, kStroke,
                         kOther };

struct Letter {
    char16_t base;  // lower-case plain letter
    char16_t accent;
};

// U+00C0 to U+00FF.
constexpr std::array<Letter, 64> kLatin1 = {{
    {u'a', kGrave}, {u'a', kAcute}, {u'a', kCircumflex}, {u'a', kTilde}, {u'a', kDiaeresis}, {u'a', kRing},
    {u'a', kOther}, {u'c', kCedilla}, {u'e', kGrave}, {u'e', kAcute}, {u'e', kCircumflex}, {u'e', kDiaeresis},
    {u'i', kGrave}, {u'i', kAcute}, {u'i', kCircumflex}, {u'i', kDiaeresis}, {u'd', kStroke}, {u'n', kTilde},
    {u'o', kGrave}, {u'o', kAcute}, {u'o', kCircumflex}, {u'o', kTilde}, {u'o', kDiaeresis}, {0xD7, kNone},
    {u'o', kStroke}, {u'u', kGrave}, {u'u', kAcute}, {u'u', kCircumflex}, {u'u', kDiaeresis}, {u'y', kAcute},
    {0xFE, kNone}, {u's', kOther}, {u'a', kGrave}, {u'a', kAcute}, {u'a', kCircumflex}, {u'a', kTilde},
    {u'a', kDiaeresis}, {u'a', kRing}, {u'a', kOther}, {u'c', kCedilla}, {u'e', kGrave}, {u'e', kAcute},
    {u'e', kCircumflex}, {u'e', kDiaeresis}, {u'i', kGrave}, {u'i', kAcute}, {u'i', kCircumflex},
    {u'i', kDiaeresis}, {u'd', kStroke}, {u'n', kTilde}, {u'o', kGrave}, {u'o', kAcute}, {u'o', kCircumflex},
    {u'o', kTilde}, {u'o', kDiaeresis}, {0xF7, kNone}, {u'o', kStroke}, {u'u', kGrave}, {u'u', kAcute},
    {u'u', kCircumflex}, {u'u', kDiaeresis}, {u'y', kAcute}, {0xFE, kNone}, {u'y', kDiaeresis},
}};

Letter letterOf(char16_t c) {
    if (c >= u'A' && c <= u'Z') return {static_cast<char16_t>(c + 32), kNone};
    if (c >= 0xC0 && c <= 0xFF) return kLatin1[c - 0xC0];
    return {foldCase(c), kNone};
}

bool ignored(char16_t c) { return c == u'-' || c == u'\'' || c == 0x2019 || c == 0xAD; }

// Punctuation before digits, digits before letters, the rest after, by code.
char16_t primaryWeight(char16_t base) {
    if (base >= u'0' && base <= u'9') return static_cast<char16_t>(0x200 + base);
    if (base >= u'a' && base <= u'z') return static_cast<char16_t>(0x300 + base);
    if (base < 0x80) return static_cast<char16_t>(0x100 + base);
    if (base < 0xFC00) return static_cast<char16_t>(base + 0x400);
    return 0xFFFF;
}

}  // namespace

std::u16string collationKey(std::u16string_view text) {
    std::u16string primary, accents, cases;
    primary.reserve(text.size() * 3 + 2);
    for (char16_t c : text) {
        if (ignored(c)) continue;
        const Letter letter = letterOf(c);
        primary.push_back(primaryWeight(letter.base));
        accents.push_back(letter.accent);
        cases.push_back(foldCase(c) != c ? 2 : 1);
    }
    primary.push_back(0);
    primary += accents;
    primary.push_back(0);
    primary += cases;
    return primary;
}

int compareText(std::u16string_view a, std::u16string_view b) {
    return collationKey(a).compare(collationKey(b));
}

}  // namespace scandrel::db
