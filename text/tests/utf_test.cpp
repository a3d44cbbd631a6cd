// Conversions at the program's edges: UTF-8 to UTF-16 and back.
#include "text/utf.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

namespace scandrel {
namespace {

// The first and last code point of each length of sequence, and the first that
// takes a surrogate pair.
TEST(Utf, EveryLengthOfSequenceGoesBothWaysAtItsBounds) {
    const std::pair<std::string_view, std::u16string_view> cases[] = {
        {"\x7F", u"\u007F"},         {"\xC2\x80", u"\u0080"},         {"\xDF\xBF", u"\u07FF"},
        {"\xE0\xA0\x80", u"\u0800"}, {"\xEF\xBF\xBF", u"\uFFFF"},     {"\xF0\x90\x80\x80", u"\U00010000"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"}, {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
    };
    for (const auto& [utf8, utf16] : cases) {
        EXPECT_EQ(fromUtf8(utf8), utf16) << utf8;
        EXPECT_EQ(toUtf8(utf16), utf8);
    }
}

TEST(Utf, InvalidInputBecomesReplacementCharacters) {
    EXPECT_EQ(fromUtf8("\xC0\x80"), u"\uFFFD\uFFFD");          // overlong
    EXPECT_EQ(fromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // a surrogate
    EXPECT_EQ(fromUtf8("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // past U+10FFFF
    EXPECT_EQ(fromUtf8("a\xE9z"), u"a\uFFFDz");                // a Western byte
    // A sequence cut short by the end of the text, whatever lies after it in memory.
    const std::string_view bytes = "\xC3\xA9\xE2\x82\xAC";
    EXPECT_EQ(fromUtf8(bytes.substr(0, 1)), u"\uFFFD");
    EXPECT_EQ(fromUtf8(bytes.substr(0, 4)), u"\u00E9\uFFFD\uFFFD");
    EXPECT_EQ(toUtf8(u"\xD800x\xDC00"), "\xEF\xBF\xBDx\xEF\xBF\xBD");  // lone surrogates
}

// Runs of ASCII are taken several bytes at a time: a sequence at any place within
// or across such a run, and a run cut short by the end, convert as on their own.
TEST(Utf, SequencesAtEveryPlaceInALongAsciiRunConvert) {
    for (size_t before = 0; before < 40; ++before) {
        for (const auto& [sequence, unit] : {std::pair<std::string, std::u16string>{"\xC3\xA9", u"\u00E9"},
                                             {"\xF0\x9F\x98\x80", u"\U0001F600"},
                                             {"\xC3", u"\uFFFD"}}) {
            const std::string utf8 = std::string(before, 'a') + sequence + std::string(39 - before, 'z');
            EXPECT_EQ(fromUtf8(utf8), std::u16string(before, u'a') + unit + std::u16string(39 - before, u'z'))
                << before;
            EXPECT_EQ(fromUtf8(std::string_view(utf8).substr(0, before)), std::u16string(before, u'a'));
        }
    }
}

}  // namespace
}  // namespace scandrel
