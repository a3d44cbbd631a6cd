#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "db/base/collation.h"
#include "db/base/names.h"
#include "db/jet/text_decode.h"

namespace scandrel::db::jet {
namespace {

bool before(std::u16string_view a, std::u16string_view b) { return compareText(a, b) < 0; }

TEST(Collation, PortugueseNamesIgnoreCaseAndAccentsFirst) {
    std::vector<std::u16string> names = {u"Zélia", u"joão", u"Álvaro", u"Ana", u"JOÃO PAULO", u"Conceição",
                                         u"Cássio", u"alberto", u"Çelso", u"Carla"};
    std::stable_sort(names.begin(), names.end(), before);
    const std::vector<std::u16string> expected = {u"alberto", u"Álvaro", u"Ana", u"Carla", u"Cássio",
                                                  u"Çelso", u"Conceição", u"joão", u"JOÃO PAULO", u"Zélia"};
    EXPECT_EQ(names, expected);
}

TEST(Collation, AccentsThenCaseBreakTies) {
    EXPECT_TRUE(before(u"Joao", u"João"));   // accent decides between otherwise equal names
    EXPECT_TRUE(before(u"JOAO", u"joão"));   // accents outrank case
    EXPECT_TRUE(before(u"maria", u"Maria"));  // then lower before upper
    EXPECT_TRUE(before(u"Maria", u"Mária"));
    EXPECT_TRUE(before(u"ana", u"anab"));
    EXPECT_TRUE(before(u"Ana Lima", u"Analima"));  // the space counts
    EXPECT_TRUE(before(u"Mara", u"Mária"));        // letters first, accent only on a tie
}

TEST(Collation, HyphensAndApostrophesAreIgnored) {
    EXPECT_EQ(compareText(u"D'Ávila", u"DÁvila"), 0);
    EXPECT_EQ(compareText(u"Ana-Maria", u"AnaMaria"), 0);
    EXPECT_TRUE(before(u"Ana-Maria", u"Anamarib"));
    EXPECT_TRUE(before(u"Dalva", u"D'Ávila"));
}

// Names typed in a word processor carry the typographic apostrophe, or a soft hyphen:
// ignored as the plain ones are, so "D’Ávila" stays between "Dalva" and "Débora", and "Ana-Maria" written
// with a soft hyphen before "Anaz".
TEST(Collation, TypographicApostrophesAndSoftHyphensAreIgnored) {
    EXPECT_EQ(compareText(u"D\u2019Ávila", u"DÁvila"), 0);
    EXPECT_EQ(compareText(u"Ana\u00ADMaria", u"AnaMaria"), 0);
    std::vector<std::u16string> names = {u"Débora", u"D\u2019Ávila", u"Dalva", u"Ana\u00ADMaria", u"Anaz"};
    std::stable_sort(names.begin(), names.end(), before);
    const std::vector<std::u16string> expected = {u"Ana\u00ADMaria", u"Anaz", u"Dalva", u"D\u2019Ávila", u"Débora"};
    EXPECT_EQ(names, expected);
}

// Names in other alphabets: capitals and small letters alike, first to last letter.
TEST(Collation, OtherAlphabetsIgnoreCaseFirst) {
    for (const auto& [capital, small] : {std::pair{u"\u0410", u"\u0430"}, std::pair{u"\u042F", u"\u044F"},
                                         std::pair{u"\u0401", u"\u0451"}, std::pair{u"\u040F", u"\u045F"},
                                         std::pair{u"\u0391", u"\u03B1"}, std::pair{u"\u03A9", u"\u03C9"},
                                         std::pair{u"\u0100", u"\u0101"}, std::pair{u"\u017D", u"\u017E"}}) {
        EXPECT_EQ(foldCase(capital[0]), small[0]) << std::hex << static_cast<unsigned>(capital[0]);
        EXPECT_EQ(foldCase(small[0]), small[0]);
    }
    EXPECT_TRUE(before(u"\u044E\u0440\u0438\u0439", u"\u042F\u041A\u041E\u0412"));  // юрий before ЯКОВ
}

TEST(Collation, DigitsBeforeLettersPunctuationBeforeDigits) {
    EXPECT_TRUE(before(u"(11)", u"11"));
    EXPECT_TRUE(before(u"9", u"a"));
    EXPECT_TRUE(before(u"_", u"a"));
    EXPECT_TRUE(before(u"", u"a"));
}

TEST(TextDecode, CompressedUnicodeSwitchesBetweenOneAndTwoBytes) {
    // "ab" compressed, then U+041C U+0438 as two-byte characters, then "c" compressed again.
    const uint8_t bytes[] = {0xFF, 0xFE, 'a', 'b', 0x00, 0x1C, 0x04, 0x38, 0x04, 0x00, 'c'};
    EXPECT_EQ(decodeUnicodeText(Bytes(bytes, sizeof bytes)), u"abМиc");
    const uint8_t plain[] = {'h', 0, 'i', 0, 0x3D, 0xD8, 0x00, 0xDE};
    EXPECT_EQ(decodeUnicodeText(Bytes(plain, sizeof plain)), u"hi\U0001F600");
    const uint8_t cut[] = {0xFF, 0xFE, 'x', 0x00, 0x41};  // a two-byte character cut short
    EXPECT_EQ(decodeUnicodeText(Bytes(cut, sizeof cut)), u"x");
}

}  // namespace
}  // namespace scandrel::db::jet
