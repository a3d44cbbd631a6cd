// The reader's code page tables against the platform's own conversion
// (MultiByteToWideChar): every byte of every single-byte page, every byte and
// every lead and trail byte pair of the double-byte pages, and UTF-8 sequences.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "search/rtf/code_page.h"
#include "text/utf.h"

namespace scandrel::search::rtf {
namespace {

std::u16string ours(uint32_t codePage, std::string_view bytes) {
    ByteDecoder decoder;
    std::u16string text;
    char16_t chars[ByteDecoder::kMaxOutput];
    for (const char byte : bytes) {
        const size_t count = decoder.put(codePage, static_cast<unsigned char>(byte), chars);
        text.append(chars, count);
    }
    text.append(chars, decoder.finish(chars));
    return text;
}

std::u16string platform(uint32_t codePage, std::string_view bytes) {
    wchar_t wide[16];
    const int count =
        MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide, static_cast<int>(std::size(wide)));
    return std::u16string(wide, wide + std::max(count, 0));
}

std::string hex(std::string_view bytes) {
    std::string out;
    for (const char byte : bytes) {
        char two[4];
        std::snprintf(two, sizeof two, "%02X", static_cast<unsigned char>(byte));
        out += two;
    }
    return out;
}

constexpr uint32_t kSingleBytePages[] = {437,  737,  775,  850,  852,  855,   857,   860,   861,   862,
                                         863,  864,  865,  866,  869,  874,   1250,  1251,  1252,  1253,  1254,
                                         1255, 1256, 1257, 1258, 10000, 10004, 10006, 10007, 10010, 10029, 10079,
                                         10081, 10082};
constexpr uint32_t kDoubleBytePages[] = {932, 936, 949, 950};

// Compares one byte sequence; the first few differences of a page are told in full.
void compare(uint32_t page, const std::string& bytes, int& differences) {
    const std::u16string expected = platform(page, bytes);
    const std::u16string actual = ours(page, bytes);
    if (actual == expected || ++differences > 5) return;
    ADD_FAILURE() << "page " << page << " bytes " << hex(bytes) << ": ours " << toUtf8(actual) << ", platform "
                  << toUtf8(expected);
}

TEST(CodePageCompare, SingleBytePagesDecodeAsThePlatform) {
    for (const uint32_t page : kSingleBytePages) {
        ASSERT_TRUE(isSupportedCodePage(page)) << page;
        int differences = 0;
        for (unsigned byte = 0; byte <= 0xFF; ++byte) compare(page, std::string(1, static_cast<char>(byte)), differences);
        EXPECT_EQ(differences, 0) << page;
    }
}

TEST(CodePageCompare, DoubleBytePagesDecodeEveryPairAsThePlatform) {
    for (const uint32_t page : kDoubleBytePages) {
        ASSERT_TRUE(isSupportedCodePage(page)) << page;
        int differences = 0;
        for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
            if (!IsDBCSLeadByteEx(page, static_cast<BYTE>(lead))) {
                compare(page, std::string(1, static_cast<char>(lead)), differences);
                continue;
            }
            for (unsigned trail = 0x40; trail <= 0xFF; ++trail) {
                compare(page, std::string{static_cast<char>(lead), static_cast<char>(trail)}, differences);
            }
        }
        EXPECT_EQ(differences, 0) << page;
    }
}

TEST(CodePageCompare, Utf8AsThePlatform) {
    // Not compared: sequences whose second byte is out of its lead's range
    // (overlong forms, surrogates, past U+10FFFF). The reader gives one U+FFFD a
    // byte, as Unicode recommends; Wine gives one for the first two bytes.
    const std::string_view kSequences[] = {
        "a", "\xC3\xA7", "\xE3\x81\x82", "\xF0\x9F\x98\x80", "\xE3\x81x", "\x81", "\xC0\xAF", "\xFF", "\xE3",
        "\xC3\xC3\xA7",
    };
    for (const std::string_view bytes : kSequences) {
        EXPECT_EQ(ours(kUtf8CodePage, bytes), platform(kUtf8CodePage, bytes)) << hex(bytes);
    }
}

}  // namespace
}  // namespace scandrel::search::rtf
