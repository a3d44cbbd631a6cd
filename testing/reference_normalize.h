#pragma once
// The normalisation loop written out step by step, exactly as first designed: every
// replacement rebuilds the whole text. Slow, but obviously right; the fast routines
// are checked and timed against it. It has its own lower case, so that a fault of the
// product's mapping can't hide in both sides of a comparison.
#include <cstdint>
#include <string>

namespace scandrel::text::reference {

// The Unicode simple lower-case mapping of the characters the tests' texts are made
// of, written out by hand: ASCII and Latin-1 capitals, the dotted capital I, the
// Kelvin and Angstrom signs, Greek and Cyrillic capitals. Everything else stays.
inline char16_t toLower(char16_t c) {
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
    if (c == 0x0130) return u'i';
    if (c == 0x212A) return u'k';
    if (c == 0x212B) return 0x00E5;
    if (c >= 0x0391 && c <= 0x03AB && c != 0x03A2) return static_cast<char16_t>(c + 0x20);
    if (c >= 0x0410 && c <= 0x042F) return static_cast<char16_t>(c + 0x20);
    if (c >= 0x0400 && c <= 0x040F) return static_cast<char16_t>(c + 0x50);
    return c;
}

inline void toLowerInPlace(std::u16string& text) {
    for (char16_t& c : text) c = toLower(c);
}

// Position (from 1) of the first case-insensitive occurrence of `find` in `text` at or
// after `start`; 0 when there is none.
inline int32_t findFrom(const std::u16string& text, const std::u16string& find, int32_t start) {
    const auto length = static_cast<int32_t>(text.size());
    const auto findLength = static_cast<int32_t>(find.size());
    for (int32_t p = start; p + findLength - 1 <= length; ++p) {
        int32_t k = 0;
        while (k < findLength && toLower(text[static_cast<std::size_t>(p - 1 + k)]) ==
                                     toLower(find[static_cast<std::size_t>(k)])) {
            ++k;
        }
        if (k == findLength) return p;
    }
    return 0;
}

inline void ReplaceAll(const std::u16string& find, const std::u16string& replacement, std::u16string& text) {
    if (find.empty()) return;
    int32_t p = findFrom(text, find, 1);
    while (p > 0) {
        const auto length = static_cast<int32_t>(text.size());
        const auto findLength = static_cast<int32_t>(find.size());
        const auto replacementLength = static_cast<int32_t>(replacement.size());
        const std::u16string left = text.substr(0, static_cast<std::size_t>(p - 1));
        const int32_t rightLength = length - (p - 1) - findLength;
        const std::u16string right = text.substr(static_cast<std::size_t>(length - rightLength));
        text = left + replacement + right;
        p = findFrom(text, find, p + replacementLength);
    }
}

inline std::u16string NormalizeText(std::u16string& text) {
    // Trim spaces at both ends.
    std::size_t first = 0;
    while (first < text.size() && text[first] == u' ') ++first;
    std::size_t last = text.size();
    while (last > first && text[last - 1] == u' ') --last;
    text = text.substr(first, last - first);

    // Exact search for a double space, then the case-insensitive replace.
    while (text.find(u"  ") != std::u16string::npos) ReplaceAll(u"  ", u" ", text);

    static const char16_t* const kTable[][2] = {
        {u"\u00E1", u"a"}, {u"\u00E0", u"a"}, {u"\u00E3", u"a"}, {u"\u00E2", u"a"},
        {u"\u00E9", u"e"}, {u"\u00EA", u"e"}, {u"\u00ED", u"i"}, {u"\u00EE", u"i"},
        {u"\u00F3", u"o"}, {u"\u00F4", u"o"}, {u"\u00F5", u"o"}, {u"\u00E7", u"c"},
        {u"\u00FA", u"u"}, {u"\u00FB", u"u"},
    };
    for (const auto& row : kTable) ReplaceAll(row[0], row[1], text);
    return text;
}

}  // namespace scandrel::text::reference
