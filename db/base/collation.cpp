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

// What a character gives each part of a key; for the first 256 characters, which
// nearly every name is made of, worked out once.
struct Weights {
    char16_t primary;
    char16_t accent;
    char16_t caseMark;  // 2 for a character that folds to another, 1 otherwise
};

Weights weightsOf(char16_t c) {
    const Letter letter = letterOf(c);
    return {primaryWeight(letter.base), letter.accent, static_cast<char16_t>(foldCase(c) != c ? 2 : 1)};
}

const std::array<Weights, 256>& latin1Weights() {
    static const std::array<Weights, 256> table = [] {
        std::array<Weights, 256> made{};
        for (size_t c = 0; c < made.size(); ++c) made[c] = weightsOf(static_cast<char16_t>(c));
        return made;
    }();
    return table;
}

}  // namespace

std::u16string collationKey(std::u16string_view text) {
    // The three parts laid out at once, each letter written to its place in each:
    // one piece of memory a key (names are sorted by the hundred thousand).
    size_t letters = 0;
    for (const char16_t c : text) letters += ignored(c) ? 0 : 1;
    std::u16string key(3 * letters + 2, u'\0');
    char16_t* primary = key.data();
    char16_t* accents = primary + letters + 1;
    char16_t* cases = accents + letters + 1;
    const std::array<Weights, 256>& latin1 = latin1Weights();
    for (const char16_t c : text) {
        if (ignored(c)) continue;
        const Weights w = c < latin1.size() ? latin1[c] : weightsOf(c);
        *primary++ = w.primary;
        *accents++ = w.accent;
        *cases++ = w.caseMark;
    }
    return key;
}

int compareText(std::u16string_view a, std::u16string_view b) {
    return collationKey(a).compare(collationKey(b));
}

}  // namespace scandrel::db
