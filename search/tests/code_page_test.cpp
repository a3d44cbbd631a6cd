#include "search/rtf/code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "text/utf.h"

namespace scandrel::search::rtf {
namespace {

std::u16string decode(ByteDecoder& decoder, uint32_t codePage, std::string_view bytes) {
    std::u16string text;
    char16_t chars[ByteDecoder::kMaxOutput];
    for (const char byte : bytes) text.append(chars, decoder.put(codePage, static_cast<unsigned char>(byte), chars));
    return text;
}

TEST(CodePage, WesternBytesOfTheMemosCharactersGoBothWays) {
    for (unsigned byte = 0; byte <= 0xFF; ++byte) {
        EXPECT_EQ(westernByteOf(fromCp1252(static_cast<unsigned char>(byte))), static_cast<int>(byte)) << byte;
    }
    EXPECT_EQ(westernByteOf(u'\u0416'), -1);
    EXPECT_EQ(westernByteOf(u'\u0080'), -1);  // 0x80 is the euro sign
}

TEST(CodePage, AWaitingCharacterEndsWhenThePageChangesOrTheStreamEnds) {
    ByteDecoder decoder;
    EXPECT_EQ(decode(decoder, 932, "\x82"), u"");
    EXPECT_TRUE(decoder.waiting());
    EXPECT_EQ(decode(decoder, 1252, "\xE9"), u"\u30FB\u00E9");  // the lead byte alone, then the new page
    EXPECT_FALSE(decoder.waiting());

    EXPECT_EQ(decode(decoder, kUtf8CodePage, "\xF0\x9F\x98"), u"");
    char16_t chars[ByteDecoder::kMaxOutput];
    ASSERT_EQ(decoder.finish(chars), 1u);
    EXPECT_EQ(chars[0], u'\uFFFD');
    EXPECT_EQ(decoder.finish(chars), 0u);

    // At most kMaxOutput characters for one byte: a cut sequence, then a pair from another page.
    EXPECT_EQ(decode(decoder, kUtf8CodePage, "\xE3\x81"), u"");
    EXPECT_EQ(decode(decoder, 936, "\x81"), u"\uFFFD");
    EXPECT_EQ(decode(decoder, 936, "\x20"), u"? ");
}

// The first and last lead bytes of each double-byte page with its lowest trail
// byte (0x40, '@' on its own) and its highest.
TEST(CodePage, EveryDoubleBytePageTakesItsFirstAndLastLeadAndTrailBytes) {
    struct Pair {
        uint32_t page;
        const char* bytes;
        char16_t expected;
    };
    const Pair pairs[] = {
        {932, "\x81\x40", u'\u3000'}, {932, "\x81\xFE", u'\u30FB'}, {932, "\xFC\x40", u'\u9ADC'},
        {932, "\xFC\xFE", u'\u30FB'}, {936, "\x81\x40", u'\u4E02'}, {936, "\x81\xFE", u'\u4FA2'},
        {936, "\xFE\x40", u'\uFA0C'}, {936, "\xFE\xFE", u'\uE4C5'}, {949, "\x81\x40", u'?'},
        {949, "\x81\xFE", u'\uAD13'}, {949, "\xFE\x40", u'?'},      {949, "\xFE\xFE", u'\uE0BB'},
        {950, "\x81\x40", u'\uEEB8'}, {950, "\x81\xFE", u'\uEF54'}, {950, "\xFE\x40", u'\uE274'},
        {950, "\xFE\xFE", u'\uE310'},
    };
    for (const Pair& pair : pairs) {
        ByteDecoder decoder;
        EXPECT_EQ(decode(decoder, pair.page, pair.bytes), std::u16string(1, pair.expected))
            << pair.page << " " << std::hex
            << static_cast<unsigned>(static_cast<unsigned char>(pair.bytes[0]))
            << static_cast<unsigned>(static_cast<unsigned char>(pair.bytes[1]));
        EXPECT_FALSE(decoder.waiting());
    }
}

// UTF-8 documents: the first and last character of each length of sequence, and
// the second bytes that would make a sequence overlong, a surrogate or too large.
TEST(CodePage, Utf8SequencesAtTheEdgesOfTheirRanges) {
    ByteDecoder decoder;
    EXPECT_EQ(decode(decoder, kUtf8CodePage, "\xC2\x80\xDF\xBF"), u"\u0080\u07FF");
    EXPECT_EQ(decode(decoder, kUtf8CodePage, "\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF"),
              u"\u0800\uD7FF\uE000\uFFFF");
    EXPECT_EQ(decode(decoder, kUtf8CodePage, "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"), u"\U00010000\U0010FFFF");
    EXPECT_FALSE(decoder.waiting());
    for (const char* bad : {"\xE0\x9F\xBF", "\xED\xA0\x80", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xC1\xBF"}) {
        const std::u16string text = decode(decoder, kUtf8CodePage, bad);
        EXPECT_FALSE(text.empty()) << bad;
        for (const char16_t c : text) EXPECT_EQ(c, u'\uFFFD') << std::hex << static_cast<unsigned>(static_cast<unsigned char>(bad[0]));
    }
}

TEST(CodePage, CharacterSetsAndPageNumbers) {
    EXPECT_EQ(codePageOfCharset(128), 932u);
    EXPECT_EQ(codePageOfCharset(2), kSymbolCodePage);
    EXPECT_EQ(codePageOfCharset(89), 10007u);
    EXPECT_EQ(codePageOfCharset(1), 0u);  // the document's own page
    for (const uint32_t page : {437u, 852u, 1252u, 1258u, 932u, 950u, 10000u, 10029u, kUtf8CodePage}) {
        EXPECT_TRUE(isSupportedCodePage(page)) << page;
    }
    for (const uint32_t page : {0u, 1u, 1200u, 10001u, 99999u}) EXPECT_FALSE(isSupportedCodePage(page)) << page;
}

TEST(FontCodePages, AFontsPageIsItsLastDefinitionElseTheDocumentsAndUnknownPagesReadWestern) {
    FontCodePages fonts;
    EXPECT_EQ(fonts.textCodePage(0, 1252), 1252u);  // no font table
    fonts.define(3, 1251);
    fonts.define(1, 0);      // the document's own page
    fonts.define(2, 12345);  // a page not decoded here
    EXPECT_EQ(fonts.textCodePage(3, 1252), 1251u);
    EXPECT_EQ(fonts.textCodePage(1, 1253), 1253u);
    EXPECT_EQ(fonts.textCodePage(1, 932), 932u);  // the document's page changed under the same font
    EXPECT_EQ(fonts.textCodePage(2, 932), kWesternCodePage);
    EXPECT_EQ(fonts.textCodePage(7, 950), 950u);  // a font the table doesn't name
    // Asked again after a new definition, not from what was kept.
    fonts.define(3, 65001);
    EXPECT_EQ(fonts.textCodePage(3, 1252), 65001u);
    // A table longer than a few fonts is sorted another way; the last definition still wins.
    for (int32_t font = 40; font > 10; --font) fonts.define(font, 1250);
    fonts.define(20, 1257);
    EXPECT_EQ(fonts.textCodePage(20, 1252), 1257u);
    EXPECT_EQ(fonts.textCodePage(21, 1252), 1250u);
    EXPECT_EQ(fonts.textCodePage(3, 1252), 65001u);
}

}  // namespace
}  // namespace scandrel::search::rtf
