#include "text/normalize.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "testing/reference_normalize.h"
#include "text/utf.h"

namespace scandrel::text {
namespace {

std::u16string replaced(const std::u16string& find, const std::u16string& replacement, std::u16string text) {
    ReplaceAll(find, replacement, text);
    return text;
}

TEST(ReplaceAll, OccurrencesDoNotOverlap) {
    EXPECT_EQ(replaced(u"aa", u"b", u"aaaa"), u"bb");
    EXPECT_EQ(replaced(u"aa", u"b", u"aaa"), u"ba");
    EXPECT_EQ(replaced(u"  ", u" ", u"a   b"), u"a  b");  // one pass leaves two of three spaces
}

TEST(ReplaceAll, NeverSearchesAnInsertedReplacement) {
    EXPECT_EQ(replaced(u"a", u"aa", u"a"), u"aa");
    EXPECT_EQ(replaced(u"ab", u"xaby", u"abab"), u"xabyxaby");
    EXPECT_EQ(replaced(u"ab", u"a", u"abbb"), u"abb");  // "a" + "bb": the join is not searched again
}

TEST(ReplaceAll, MatchesWithoutRegardToCaseButNotToAccents) {
    EXPECT_EQ(replaced(u"\u00E1", u"a", fromUtf8("Álvaro Ávila á")), u"alvaro avila a");
    EXPECT_EQ(replaced(u"\u00C1", u"a", fromUtf8("Álvaro á")), u"alvaro a");
    EXPECT_EQ(replaced(u"a", u"x", fromUtf8("áÁaA")), fromUtf8("áÁxx"));
    EXPECT_EQ(replaced(u"silva", u"S", u"SILVA Silva silvA"), u"S S S");
    EXPECT_EQ(replaced(u"i", u"-", u"\u0130\u0131iI"), u"-\u0131--");  // İ lower-cases to i
}

TEST(ReplaceAll, EdgeCases) {
    EXPECT_EQ(replaced(u"", u"x", u"abc"), u"abc");
    EXPECT_EQ(replaced(u"a", u"x", u""), u"");
    EXPECT_EQ(replaced(u"abcd", u"x", u"abc"), u"abc");
    EXPECT_EQ(replaced(u"abc", u"x", u"abc"), u"x");
    EXPECT_EQ(replaced(u"b", u"", u"abba"), u"aa");
    EXPECT_EQ(replaced(u"q", u"x", u"abc"), u"abc");
}

TEST(ReplaceAll, ArgumentsMayBeTheSameText) {
    std::u16string text = u"abc";
    ReplaceAll(text, text, text);
    EXPECT_EQ(text, u"abc");
    text = u"aXa";
    ReplaceAll(u"x", text, text);
    EXPECT_EQ(text, u"aaXaa");
    text = u"ab";
    ReplaceAll(text, u"z", text);
    EXPECT_EQ(text, u"z");
}

TEST(ReplaceAll, AgreesWithTheStepByStepLoopOnGeneratedTexts) {
    static const std::u16string kAlphabet = u"aAb \u00E1\u00C1\u0130i";
    std::mt19937 rng(7);
    auto pick = [&](std::size_t maxLength) {
        std::u16string s(rng() % (maxLength + 1), u' ');
        for (char16_t& c : s) c = kAlphabet[rng() % kAlphabet.size()];
        return s;
    };
    for (int i = 0; i < 5000; ++i) {
        const std::u16string find = pick(3);
        const std::u16string replacement = pick(4);
        const std::u16string text = pick(40);
        std::u16string expected = text;
        reference::ReplaceAll(find, replacement, expected);
        ASSERT_EQ(replaced(find, replacement, text), expected)
            << toUtf8(find) << " -> " << toUtf8(replacement) << " in " << toUtf8(text);
    }
}

}  // namespace
}  // namespace scandrel::text
