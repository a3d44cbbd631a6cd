#include "text/normalize.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "text/error.h"
#include "text/lower_case.h"

namespace scandrel::text {
namespace {

// Positions and lengths of texts are 32-bit signed numbers.
constexpr std::size_t kMaxLength = static_cast<std::size_t>(std::numeric_limits<int32_t>::max());

void checkLength(std::size_t length) {
    if (length > kMaxLength) throw overflow();
}

// The plain letter for the accented vowels and the cedilla, compared without regard to
// case (so Á gives a, like á); every other character is returned unchanged.
char16_t plainLetter(char16_t c) noexcept {
    if (c < 0x80) return c;  // ASCII lower-cases to ASCII, never to an accented letter
    switch (toLower(c)) {
    case u'\u00E1': case u'\u00E0': case u'\u00E3': case u'\u00E2': return u'a';
    case u'\u00E9': case u'\u00EA': return u'e';
    case u'\u00ED': case u'\u00EE': return u'i';
    case u'\u00F3': case u'\u00F4': case u'\u00F5': return u'o';
    case u'\u00E7': return u'c';
    case u'\u00FA': case u'\u00FB': return u'u';
    default: return c;
    }
}

// plainLetter for Latin-1, where nearly all characters of a text are.
std::array<char16_t, 0x100> latin1PlainLetters() {
    std::array<char16_t, 0x100> table{};
    for (std::size_t c = 0; c < table.size(); ++c) table[c] = plainLetter(static_cast<char16_t>(c));
    return table;
}
const std::array<char16_t, 0x100> kLatin1PlainLetters = latin1PlainLetters();

// Texts are looked at in blocks of this many characters: a loop over a whole block
// does several characters at once; the few blocks that need more are gone over one
// character at a time.
constexpr std::size_t kBlock = 32;

bool asciiOnly(const char16_t* p) {
    unsigned seen = 0;
    for (std::size_t i = 0; i < kBlock; ++i) seen |= p[i];
    return seen < 0x80;
}

// The same letter lower-cased: what the search compares.
char16_t plainLowerLetter(char16_t c) noexcept { return toLower(plainLetter(c)); }

std::array<char16_t, 0x100> latin1PlainLowerLetters() {
    std::array<char16_t, 0x100> table{};
    for (std::size_t c = 0; c < table.size(); ++c) table[c] = plainLowerLetter(static_cast<char16_t>(c));
    return table;
}
const std::array<char16_t, 0x100> kLatin1PlainLowerLetters = latin1PlainLowerLetters();

// True when some space among the block's characters is followed by another space
// (the character after the block included).
bool spaceRunAt(const char16_t* p) {
    unsigned pairs = 0;
    for (std::size_t i = 0; i < kBlock; ++i) {
        pairs |= static_cast<unsigned>(p[i] == u' ') & static_cast<unsigned>(p[i + 1] == u' ');
    }
    return pairs != 0;
}

// Every letter of the table by its plain letter (and, when lower-casing, every letter
// by its lower-case form), every run of spaces to one space and none left at either
// end: one pass, rewritten in place, the output never getting ahead of the input.
// Between blocks `in` is never inside a run of spaces, so a block with no two spaces
// in a row (counting the character after it) only has its letters changed, several
// characters at once where they are all ASCII. The other blocks and the end of the
// text are gone over one character at a time, which drops trailing spaces.
template <bool kLowerCase>
void normalizeBlocks(std::u16string& text) {
    char16_t* const p = text.data();
    const std::size_t n = text.size();
    const auto& letters = kLowerCase ? kLatin1PlainLowerLetters : kLatin1PlainLetters;
    const auto letter = [&letters](char16_t c) {
        if (c < letters.size()) return letters[c];
        return kLowerCase ? plainLowerLetter(c) : plainLetter(c);
    };
    std::size_t in = 0;
    while (in < n && p[in] == u' ') ++in;
    std::size_t out = 0;
    while (in < n) {
        if (in + kBlock < n && !spaceRunAt(p + in)) {
            // Through a copy: the block may overlap the place it moves to.
            char16_t block[kBlock];
            std::copy(p + in, p + in + kBlock, block);
            if (asciiOnly(block)) {
                for (std::size_t i = 0; i < kBlock; ++i) {
                    const char16_t c = block[i];
                    const bool upper = kLowerCase && static_cast<char16_t>(c - u'A') < 26;
                    p[out + i] = static_cast<char16_t>(c + (upper ? 0x20 : 0));
                }
            } else {
                for (std::size_t i = 0; i < kBlock; ++i) p[out + i] = letter(block[i]);
            }
            out += kBlock;
            in += kBlock;
            continue;
        }
        const std::size_t end = std::min(n, in + kBlock);
        while (in < end) {
            if (p[in] != u' ') {
                p[out++] = letter(p[in++]);
                continue;
            }
            std::size_t next = in;
            while (next < n && p[next] == u' ') ++next;
            if (next == n) {  // trailing spaces
                in = n;
                break;
            }
            p[out++] = u' ';
            in = next;
        }
    }
    text.resize(out);
}

}  // namespace

// Normalising means: trim the spaces at both ends, replace "  " by " " until no double
// space is left, then replace each accented letter of the table (á à ã â é ê í î ó ô õ ç
// ú û, matched without regard to case) by its plain lower-case letter, one letter after
// the other. Done that way it costs a rebuild of the whole text per replacement; this is
// the same result in one pass:
// - repeated replacing of "  " by " " ends with every run of spaces reduced to one space,
//   and trimming first means no run is left at either end;
// - each table letter is one character replaced by one character, so no replacement
//   moves or joins anything, and the replacements (a e i o c u) are neither spaces nor,
//   in any case, a letter of the table: no row undoes or feeds another, and their order
//   does not matter.
void normalizeInPlace(std::u16string& text) {
    checkLength(text.size());
    normalizeBlocks<false>(text);
}

// Lower-casing changes no space and makes no space, and a plain letter of the table
// is lower-case already: lower-casing after normalising is the same as lower-casing
// each character as it is normalised.
void normalizeLowerCaseInPlace(std::u16string& text) {
    checkLength(text.size());
    normalizeBlocks<true>(text);
}

std::vector<std::size_t> normalizedPositions(std::u16string_view text) {
    std::vector<std::size_t> positions;
    std::size_t in = 0;
    while (in < text.size() && text[in] == u' ') ++in;
    while (in < text.size()) {
        if (text[in] != u' ') {
            positions.push_back(in++);
            continue;
        }
        std::size_t next = in;
        while (next < text.size() && text[next] == u' ') ++next;
        if (next == text.size()) break;  // trailing spaces
        positions.push_back(in);
        in = next;
    }
    positions.push_back(text.size());
    return positions;
}

Value NormalizeText(std::u16string& text) {
    normalizeInPlace(text);
    return Value::text(text);
}

void ReplaceAll(const std::u16string& find, const std::u16string& replacement, std::u16string& text) {
    checkLength(text.size());
    if (find.empty() || find.size() > text.size()) return;

    // The search resumes after each inserted replacement, so it never sees one: searching
    // the original text from the end of each occurrence finds the same occurrences.
    const std::u16string lowerFind = toLower(find);
    const std::u16string lowerText = toLower(text);
    std::size_t at = lowerText.find(lowerFind);
    if (at == std::u16string::npos) return;

    std::u16string result;
    result.reserve(text.size());
    std::size_t copied = 0;
    while (at != std::u16string::npos) {
        result.append(text, copied, at - copied);
        result.append(replacement);
        checkLength(result.size());
        copied = at + find.size();
        at = lowerText.find(lowerFind, copied);
    }
    result.append(text, copied, std::u16string::npos);
    checkLength(result.size());
    text = std::move(result);  // last: `find` or `replacement` may be `text` itself
}

}  // namespace scandrel::text
