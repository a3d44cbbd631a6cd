#include "text/lower_case.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace scandrel::text {
namespace {

TEST(LowerCase, SpotChecks) {
    const std::pair<char16_t, char16_t> cases[] = {
        {u'A', u'a'}, {u'Z', u'z'}, {u'@', u'@'}, {u'[', u'['}, {u'a', u'a'}, {u'5', u'5'},
        {u'\u00C7', u'\u00E7'}, {u'\u00D7', u'\u00D7'},  // Ç; × sits among the capitals
        {u'\u00DF', u'\u00DF'}, {u'\u1E9E', u'\u00DF'},  // ß stays; capital ẞ becomes ß
        {u'\u0178', u'\u00FF'}, {u'\u0100', u'\u0101'}, {u'\u0101', u'\u0101'}, {u'\u012E', u'\u012F'},
        {u'\uA77D', u'\u1D79'}, {u'\uFF21', u'\uFF41'},
        {u'\u0130', u'i'},                               // Turkish dotted capital I: simple mapping
        {u'\u0131', u'\u0131'}, {u'\u212A', u'k'}, {u'\u212B', u'\u00E5'}, {u'\u2126', u'\u03C9'},
        {u'\u01C5', u'\u01C6'},                          // title-case Dž
        {u'\u03A3', u'\u03C3'}, {u'\u03C2', u'\u03C2'}, {u'\u0386', u'\u03AC'}, {u'\u0414', u'\u0434'},
        {u'\u0401', u'\u0451'}, {u'\u0531', u'\u0561'}, {u'\u10A0', u'\u2D00'}, {u'\u13A0', u'\uAB70'},
        {u'\u4E2D', u'\u4E2D'}, {u'\0', u'\0'}, {u'\xD801', u'\xD801'}, {u'\xDC00', u'\xDC00'},
        {u'\uFFFF', u'\uFFFF'},
    };
    for (const auto& [c, lower] : cases) EXPECT_EQ(toLower(c), lower) << std::hex << static_cast<unsigned>(c);
}

TEST(LowerCase, Text) {
    EXPECT_EQ(toLower(u""), u"");
    EXPECT_EQ(toLower(u"JOS\u00C9 da SILVA 123"), u"jos\u00E9 da silva 123");
    EXPECT_EQ(toLower(u"\U00010400"), u"\U00010400");  // code units one by one: no pair is mapped
}

// The compiled table against the character database it was made from, where that file is
// at hand.
TEST(LowerCase, MatchesTheCharacterDatabase) {
    std::ifstream in("/usr/share/unicode/UnicodeData.txt");
    if (!in) GTEST_SKIP() << "UnicodeData.txt is not installed";
    std::vector<char16_t> expected(0x10000);
    for (std::size_t c = 0; c < expected.size(); ++c) expected[c] = static_cast<char16_t>(c);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, ';');) fields.push_back(field);
        if (fields.size() < 14 || fields[13].empty()) continue;
        const unsigned long code = std::stoul(fields[0], nullptr, 16);
        if (code <= 0xFFFF) expected[code] = static_cast<char16_t>(std::stoul(fields[13], nullptr, 16));
    }
    for (std::size_t c = 0; c < expected.size(); ++c) {
        ASSERT_EQ(toLower(static_cast<char16_t>(c)), expected[c]) << std::hex << c;
    }
}

// The short cut for Latin-1 must answer exactly as the table does, for every code unit.
TEST(LowerCase, ShortCutAgreesWithTheTable) {
    for (std::size_t c = 0; c <= 0xFFFF; ++c) {
        const auto unit = static_cast<char16_t>(c);
        ASSERT_EQ(toLower(unit), toLowerByTable(unit)) << std::hex << c;
    }
}

// A whole text goes block by block, ASCII blocks by a quicker loop: every code unit,
// in blocks of every mix and at every length, lower-cases as it does on its own.
TEST(LowerCase, TextsAgreeWithTheCodeUnitMapping) {
    std::u16string all;
    for (std::size_t c = 0; c <= 0xFFFF; ++c) all.push_back(static_cast<char16_t>(c));
    for (std::size_t length : {0, 1, 31, 32, 33, 64, 65}) {
        for (std::size_t start = 0; start + length <= all.size(); start += 997) {
            std::u16string text = all.substr(start, length);
            if (start % 2 == 0) {
                for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(u'@' + i % 28);
            }
            std::u16string lowered = text;
            toLowerInPlace(lowered);
            ASSERT_EQ(lowered.size(), text.size());
            for (std::size_t i = 0; i < text.size(); ++i) {
                ASSERT_EQ(lowered[i], toLowerByTable(text[i])) << std::hex << static_cast<unsigned>(text[i]);
            }
            EXPECT_EQ(toLower(text), lowered);
        }
    }
}

}  // namespace
}  // namespace scandrel::text
