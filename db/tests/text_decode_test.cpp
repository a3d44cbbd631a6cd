#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/base/stored_texts.h"
#include "db/jet/text_decode.h"

namespace scandrel::db::jet {
namespace {

std::u16string decode(const std::vector<uint8_t>& bytes) {
    return decodeUnicodeText(Bytes(bytes.data(), bytes.size()));
}

// The compressed form read one byte at a time, as the format describes it.
std::u16string decodeByteByByte(const std::vector<uint8_t>& p) {
    std::u16string out;
    bool oneByte = true;
    for (size_t i = 2; i < p.size();) {
        if (p[i] == 0) {
            oneByte = !oneByte;
            ++i;
        } else if (oneByte) {
            out.push_back(p[i++]);
        } else {
            if (i + 1 >= p.size()) break;
            out.push_back(static_cast<char16_t>(p[i] | (p[i + 1] << 8)));
            i += 2;
        }
    }
    return out;
}

TEST(TextDecode, CompressedTwoByteCharactersMayEndInAZeroByte) {
    // After the switch, "A" is 0x41 0x00: its zero high byte is no switch back.
    EXPECT_EQ(decode({0xFF, 0xFE, 'x', 0x00, 0x41, 0x00, 0x42, 0x00, 0x00, 'y'}), u"xABy");
    // A zero as the first byte of a pair is.
    EXPECT_EQ(decode({0xFF, 0xFE, 0x00, 0x41, 0x00, 0x00, 'z'}), u"Az");
}

TEST(TextDecode, CompressedEdges) {
    EXPECT_EQ(decode({0xFF, 0xFE}), u"");
    EXPECT_EQ(decode({0xFF, 0xFE, 0x00}), u"");
    EXPECT_EQ(decode({0xFF, 0xFE, 0x00, 0x00, 'a', 0x00}), u"a");        // two switches, a switch at the end
    EXPECT_EQ(decode({0xFF, 0xFE, 0xE9, 0xFF, 'b'}), u"\u00E9\u00FFb");  // Latin-1 in one byte each
    EXPECT_EQ(decode({0xFF, 0xFE, 0x00, 0x41}), u"");                    // a lone byte where a pair should be
}

TEST(TextDecode, CompressedAgreesWithByteByByteReading) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> bytes = {0xFF, 0xFE};
        const auto length = random() % 40;
        for (unsigned i = 0; i < length; ++i) {
            // Zeros often, so that both modes and odd endings come up.
            bytes.push_back(random() % 4 == 0 ? 0 : static_cast<uint8_t>(random()));
        }
        ASSERT_EQ(decode(bytes), decodeByteByByte(bytes)) << "round " << round;
    }
}

TEST(TextDecode, PlainUcs2AndCodePage1252) {
    const uint8_t odd[] = {'o', 0, 'k', 0, '!'};  // the odd last byte is dropped
    EXPECT_EQ(decodeUcs2(Bytes(odd, sizeof odd)), u"ok");
    EXPECT_EQ(decodeUnicodeText(Bytes(odd, sizeof odd)), u"ok");
    EXPECT_EQ(decodeUcs2(Bytes()), u"");
    const uint8_t western[] = {'S', 0xE3, 'o', 0x80};
    EXPECT_EQ(decodeCp1252(Bytes(western, sizeof western)), u"S\u00E3o\u20AC");
}

// Texts kept as stored and made UTF-16 later come out as decoding them at once gives
// them, each on its own, whatever the form; a text tried again, or whose filling
// failed, leaves nothing behind.
TEST(TextDecode, TextsKeptAsStoredComeOutAsDecodedAtOnce) {
    const std::vector<uint8_t> compressed = {0xFF, 0xFE, 'x', 0x00, 0x41, 0x01, 0x00, 'y'};
    const uint8_t western[] = {'S', 0xE3, 'o'};
    StoredTexts texts;
    texts.append(TextForm::Jet4, compressed.data(), compressed.size());
    texts.append(TextForm::Cp1252, western, sizeof western);
    texts.append(u"já texto");
    texts.appendFilled(TextForm::Jet4, [](std::vector<uint8_t>& bytes) { bytes.insert(bytes.end(), {'o', 0, 'k', 0}); });
    texts.append(TextForm::Jet4, nullptr, 0);
    ASSERT_EQ(texts.size(), 5u);
    const std::u16string expected[] = {decode(compressed), u"S\u00E3o", u"j\u00e1 texto", u"ok", u""};
    for (size_t i = 0; i < texts.size(); ++i) {
        std::u16string out = u">";
        texts.appendTo(i, out);
        EXPECT_EQ(out, u">" + expected[i]) << i;
    }

    texts.keepFirst(2);
    EXPECT_THROW(texts.appendFilled(TextForm::Jet4,
                                    [](std::vector<uint8_t>& bytes) {
                                        bytes.push_back('!');
                                        throw std::runtime_error("a page that fails its checks");
                                    }),
                 std::runtime_error);
    texts.append(TextForm::Cp1252, western, 1);
    ASSERT_EQ(texts.size(), 3u);
    std::u16string last;
    texts.appendTo(2, last);
    EXPECT_EQ(last, u"S");
    texts.clear();
    EXPECT_EQ(texts.size(), 0u);
}

}  // namespace
}  // namespace scandrel::db::jet
