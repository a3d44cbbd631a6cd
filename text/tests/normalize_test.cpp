#include "text/normalize.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "testing/reference_normalize.h"
#include "text/lower_case.h"
#include "text/utf.h"

namespace scandrel::text {
namespace {

std::u16string normalized(std::u16string s) {
    NormalizeText(s);
    return s;
}

std::u16string u(const char* utf8) { return fromUtf8(utf8); }

TEST(NormalizeText, CollapsesAndTrimsSpacesOnly) {
    EXPECT_EQ(normalized(u"  a  b   c  "), u"a b c");
    EXPECT_EQ(normalized(u"a          b"), u"a b");
    for (const char16_t* empty : {u"", u" ", u"       "}) EXPECT_EQ(normalized(empty), u"");
    EXPECT_EQ(normalized(u"a\r\nb"), u"a\r\nb");
    EXPECT_EQ(normalized(u" \ta  \n  b\t "), u"\ta \n b\t");
    EXPECT_EQ(normalized(u"a\u00A0\u00A0b"), u"a\u00A0\u00A0b");  // no-break spaces are not spaces here
}

TEST(NormalizeText, ReplacesAccentsOfBothCasesByLowerCasePlainLetters) {
    EXPECT_EQ(normalized(u("ação")), u"acao");
    EXPECT_EQ(normalized(u("pão de açúcar")), u"pao de acucar");
    EXPECT_EQ(normalized(u("Águia")), u"aguia");
    EXPECT_EQ(normalized(u("Ação")), u"Acao");
    EXPECT_EQ(normalized(u("áàãâéêíîóôõçúû")), u"aaaaeeiiooocuu");
    EXPECT_EQ(normalized(u("ÁÀÃÂÉÊÍÎÓÔÕÇÚÛ")), u"aaaaeeiiooocuu");
    EXPECT_EQ(normalized(u("JOSÉ DA CONCEIÇÃO")), u"JOSe DA CONCEIcaO");
}

TEST(NormalizeText, LeavesLettersOutsideTheTable) {
    EXPECT_EQ(normalized(u("è ü ñ ë ï ì ò ù ä ö å ý")), u("è ü ñ ë ï ì ò ù ä ö å ý"));
    EXPECT_EQ(normalized(u("È Ü Ñ İ K Σ")), u("È Ü Ñ İ K Σ"));
    EXPECT_EQ(normalized(u"\U0001F600 \U00010400"), u"\U0001F600 \U00010400");
}

TEST(NormalizeText, ReturnsTheTextItChanged) {
    std::u16string text = u("  São  Paulo ");
    const Value result = NormalizeText(text);
    EXPECT_EQ(text, u"Sao Paulo");
    EXPECT_EQ(result, Value::text(u"Sao Paulo"));
}

TEST(NormalizeText, InPlaceFormChangesTheTextTheSameWay) {
    for (const char* sample : {"", "   ", "  Águia  do   Pão ", "ação\n  ÇÃO  x", "è ü ñ"}) {
        std::u16string inPlace = u(sample);
        normalizeInPlace(inPlace);
        EXPECT_EQ(inPlace, normalized(u(sample))) << sample;
    }
}

TEST(NormalizeText, AgreesWithTheStepByStepLoopOnEveryRunOfSpaces) {
    for (int before = 0; before <= 12; ++before) {
        for (int inside = 1; inside <= 40; ++inside) {
            for (int after = 0; after <= 12; after += 3) {
                const std::u16string text = std::u16string(static_cast<std::size_t>(before), u' ') + u"a" +
                                            std::u16string(static_cast<std::size_t>(inside), u' ') +
                                            u"\u00C9" + std::u16string(static_cast<std::size_t>(after), u' ');
                std::u16string expected = text;
                reference::NormalizeText(expected);
                EXPECT_EQ(normalized(text), expected) << before << " " << inside << " " << after;
                EXPECT_EQ(expected, u"a e");
            }
        }
    }
}

// Texts built from the characters that matter: every table letter in both cases, spaces
// (often, and in runs), other white space, letters near the table and letters whose
// lower-case forms are unusual.
std::u16string randomText(std::mt19937& rng) {
    using namespace std::string_literals;
    static const std::u16string kAlphabet =
        u"\u00E1\u00E0\u00E3\u00E2\u00E9\u00EA\u00ED\u00EE\u00F3\u00F4\u00F5\u00E7\u00FA\u00FB"
        u"\u00C1\u00C0\u00C3\u00C2\u00C9\u00CA\u00CD\u00CE\u00D3\u00D4\u00D5\u00C7\u00DA\u00DB"
        u"aeiocuAEIOCUxZ09.-"
        u"\u00E8\u00FC\u00F1\u00C8\u00DC\u00D1\u00E4\u00C4\u00C5\u0130\u0131\u212A\u212B\u03A3\u0414"
        u"\t\n\r\u00A0\u3000\xD83D\xDE00\x0000\uFFFF"s;
    const std::size_t length = rng() % 80;
    std::u16string text;
    while (text.size() < length) {
        const uint32_t pick = rng() % 8;
        if (pick < 2) {
            text.append(1 + rng() % (pick == 0 ? 3 : 17), u' ');
        } else {
            text += kAlphabet[rng() % kAlphabet.size()];
        }
    }
    return text;
}

TEST(NormalizeText, AgreesWithTheStepByStepLoopOnGeneratedTexts) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 5000; ++i) {
        const std::u16string text = randomText(rng);
        std::u16string expected = text;
        reference::NormalizeText(expected);
        ASSERT_EQ(normalized(text), expected) << "text #" << i << ": " << toUtf8(text);
    }
}

// Long texts of words and single spaces, with a rare run of spaces or accented letter
// at any place: runs that start, end or lie right at any position of a long text.
TEST(NormalizeText, AgreesWithTheStepByStepLoopOnLongTextsWithFewRuns) {
    std::mt19937 rng(77);
    for (int i = 0; i < 3000; ++i) {
        std::u16string text;
        const std::size_t length = rng() % 300;
        while (text.size() < length) {
            const auto pick = rng() % 40;
            if (pick == 0) {
                text.append(2 + rng() % 5, u' ');
            } else if (pick == 1) {
                text += u'\u00C3';
            } else if (pick < 8) {
                text += u' ';
            } else {
                text += static_cast<char16_t>(u'a' + rng() % 26);
            }
        }
        std::u16string expected = text;
        reference::NormalizeText(expected);
        ASSERT_EQ(normalized(text), expected) << "text #" << i << ": " << toUtf8(text);
    }
}

// The run's form: normalised and lower-cased in one pass, checked against the loop
// followed by lower-casing, on short texts of every kind and on long mostly-ASCII
// texts with capitals, where whole blocks are lower-cased at once.
TEST(NormalizeLowerCase, AgreesWithTheStepByStepLoopThenLowerCasing) {
    const auto expected = [](std::u16string text) {
        reference::NormalizeText(text);
        reference::toLowerInPlace(text);
        return text;
    };
    const auto normalizedLower = [](std::u16string text) {
        normalizeLowerCaseInPlace(text);
        return text;
    };
    for (const char* sample : {"", "   ", "  Águia  do   PÃO ", "AÇÃO\n  ÇÃO  X", "È Ü Ñ İ K Σ"}) {
        EXPECT_EQ(normalizedLower(u(sample)), expected(u(sample))) << sample;
    }
    std::mt19937 rng(4242);
    for (int i = 0; i < 5000; ++i) {
        const std::u16string text = randomText(rng);
        ASSERT_EQ(normalizedLower(text), expected(text)) << "text #" << i << ": " << toUtf8(text);
    }
    // Every printable ASCII character, each at every place of a text of whole blocks:
    // the characters next to the capitals ('@', '[') stay as they are.
    std::u16string ascii;
    for (char16_t c = u'!'; c <= u'~'; ++c) ascii += c;
    for (std::size_t start = 0; start < ascii.size(); ++start) {
        const std::u16string text = ascii.substr(start) + ascii.substr(0, start);
        ASSERT_EQ(normalizedLower(text), expected(text)) << toUtf8(text);
    }
    static const std::u16string kRare = u"\u00C3\u00E7\u0130\u212A\u03A3\t";
    for (int i = 0; i < 3000; ++i) {
        std::u16string text;
        const std::size_t length = rng() % 300;
        while (text.size() < length) {
            const auto pick = rng() % 60;
            if (pick == 0) {
                text.append(2 + rng() % 5, u' ');
            } else if (pick == 1) {
                text += kRare[rng() % kRare.size()];
            } else if (pick < 8) {
                text += u' ';
            } else {
                text += static_cast<char16_t>((pick % 2 == 0 ? u'A' : u'a') + rng() % 26);
            }
        }
        ASSERT_EQ(normalizedLower(text), expected(text)) << "text #" << i << ": " << toUtf8(text);
    }
}

}  // namespace
}  // namespace scandrel::text
