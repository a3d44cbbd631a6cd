#include "text/normalize.h"

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
Value NormalizeText(std::u16string& text) {
    checkLength(text.size());
    // Rewritten in place: the output never gets ahead of the input.
    std::size_t out = 0;
    bool spacePending = false;
    for (std::size_t in = 0; in < text.size(); ++in) {
        const char16_t c = text[in];
        if (c == u' ') {
            spacePending = out > 0;  // leading spaces are dropped
            continue;
        }
        if (spacePending) {
            text[out++] = u' ';
            spacePending = false;
        }
        text[out++] = plainLetter(c);
    }
    text.resize(out);  // a pending space here is a trailing one
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
