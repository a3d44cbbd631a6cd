// The rich-text reader's scans: the eight-at-a-time ones against the portable
// ones, on the same inputs.
#include "search/rtf/text_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scandrel::search::rtf {
namespace {

// Characters where a scan may stop or go wrong: every one that ends a run, the
// letters' neighbours, and characters whose low or high byte looks like one of them.
const std::vector<char16_t> kSpecial{
    u'{',    u'}',    u'\\',   u'\r',   u'\n',   u'\0',   u'@',    u'[',    u'`',    u'a',    u'z',
    u'A',    u'Z',    u'0',    u' ',    u'\x7F', u'\x80', u'\xE9', u'\xFF', u'\u017B', u'\u7B00', u'\u0141',
    u'\u8061', u'\uE05A', u'\uFFFF', u'\u005C', u'\u2020',
};

// `length` characters of `filler` with `special` at `at`.
std::u16string withAt(size_t length, char16_t filler, char16_t special, size_t at) {
    std::u16string text(length, filler);
    if (at < length) text[at] = special;
    return text;
}

struct Scanned {
    size_t read;
    std::u16string written;
};

template <typename Copy>
Scanned copyWith(Copy copy, const std::u16string& input) {
    // As in the reader: room for as much output as there is input.
    std::u16string out(input.size(), u'#');
    const char16_t* p = input.data();
    char16_t* w = out.data();
    copy(p, input.data() + input.size(), w);
    EXPECT_EQ(p - input.data(), w - out.data());
    return {static_cast<size_t>(p - input.data()), out.substr(0, static_cast<size_t>(w - out.data()))};
}

// Both scans of each kind from the start of `input` agree, and copy what they read.
bool sameScans(const std::u16string& input) {
    const Scanned portableRun = copyWith(portable::copyTextRun, input);
    const Scanned fastRun = copyWith(scan::copyTextRun, input);
    const char16_t* end = input.data() + input.size();
    return fastRun.read == portableRun.read && fastRun.written == portableRun.written &&
           portableRun.written == input.substr(0, portableRun.read) &&
           scan::skipLetters(input.data(), end) == portable::skipLetters(input.data(), end);
}

TEST(RtfScan, TheFastScansStopWhereThePortableOnesDoAtEveryOffset) {
#if !defined(__SSE2__)
    GTEST_SKIP() << "this build has only the portable scans";
#endif
    EXPECT_TRUE(sameScans(u""));
    // Each special character at every place in runs of one to three blocks of eight
    // characters and a part, in a run of text and in a run of letters.
    for (const char16_t filler : {u'x', u'Q', u'\xE9', u'\u4E2D'}) {
        for (size_t length = 1; length <= 33; ++length) {
            for (const char16_t special : kSpecial) {
                for (size_t at = 0; at <= length; ++at) {
                    EXPECT_TRUE(sameScans(withAt(length, filler, special, at)))
                        << "filler " << int(filler) << " length " << length << " special " << int(special) << " at "
                        << at;
                }
            }
        }
    }
}

TEST(RtfScan, LongRunsAndEveryCharacterAgree) {
#if !defined(__SSE2__)
    GTEST_SKIP() << "this build has only the portable scans";
#endif
    EXPECT_TRUE(sameScans(std::u16string(100000, u'm')));
    EXPECT_TRUE(sameScans(std::u16string(100000, u'\xE3') + u"{"));
    EXPECT_TRUE(sameScans(std::u16string(4099, u'k') + u"\\par"));
    // Every character, each after seven letters and before eight more.
    for (uint32_t c = 0; c <= 0xFFFF; ++c) {
        std::u16string text = u"abcdefg";
        text += static_cast<char16_t>(c);
        text += u"hijklmno";
        ASSERT_TRUE(sameScans(text)) << c;
    }
}

TEST(RtfScan, ThePortableScansStopAtTheCharactersThatEndThem) {
    const std::u16string run = u"Dor de cabe\u00E7a{\\b forte}";
    const Scanned copied = copyWith(portable::copyTextRun, run);
    EXPECT_EQ(copied.written, u"Dor de cabe\u00E7a");
    for (const char16_t end : {u'{', u'}', u'\\', u'\r', u'\n', u'\0'}) {
        EXPECT_EQ(copyWith(portable::copyTextRun, withAt(5, u'a', end, 2)).read, 2u) << int(end);
    }
    const std::u16string word = u"fcharset0 Arial";
    EXPECT_EQ(portable::skipLetters(word.data(), word.data() + word.size()) - word.data(), 8);
    const std::u16string accented = u"ab\u00E7d";
    EXPECT_EQ(portable::skipLetters(accented.data(), accented.data() + accented.size()) - accented.data(), 2);
}

}  // namespace
}  // namespace scandrel::search::rtf
