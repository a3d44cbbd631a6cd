// Values that are not rich text, as the rich-edit control inserts them.
#include "search/plain_value.h"

#include <gtest/gtest.h>

namespace scandrel::search {
namespace {

std::u16string plain(std::u16string_view value) {
    std::u16string out;
    appendPlainValue(value, out);
    return out;
}

TEST(PlainValue, LineBreaksBecomeParagraphMarksAndTheValueEndsAtNul) {
    EXPECT_EQ(plain(u"abc"), u"abc");
    EXPECT_EQ(plain(u"a\r\nb"), u"a\r\nb");
    EXPECT_EQ(plain(u"a\nb\rc"), u"a\r\nb\r\nc");
    EXPECT_EQ(plain(u"a\n\rb"), u"a\r\n\r\nb");
    EXPECT_EQ(plain(u"a\r\r\nb"), u"a b");  // soft line break
    EXPECT_EQ(plain(u"a\r"), u"a\r\n");
    EXPECT_EQ(plain(u"a\tb{\\par}"), u"a\tb{\\par}");  // markup outside a document is text
    EXPECT_EQ(plain(std::u16string_view(u"ab\0cd", 5)), u"ab");
    EXPECT_EQ(plain(std::u16string_view(u"a\r\0\n", 4)), u"a\r\n");
    EXPECT_EQ(plain(u" "), u" ");
}

}  // namespace
}  // namespace scandrel::search
