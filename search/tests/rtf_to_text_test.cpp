#include "search/rtf/rtf_to_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "search/plain_text_buffer.h"
#include "testing/rtf_long_documents.h"
#include "text/utf.h"

namespace scandrel::search::rtf {
namespace {

std::u16string text(std::u16string_view document) {
    std::u16string out;
    appendRichText(document, out);
    return out;
}

TEST(RtfRecognition, OnlyValuesOpeningWithTheRtfGroupAreRichText) {
    EXPECT_TRUE(isRichText(uR"({\rtf1 a})"));
    EXPECT_TRUE(isRichText(uR"({\rtf a})"));
    EXPECT_TRUE(isRichText(uR"({\urtf1 a})"));
    EXPECT_FALSE(isRichText(uR"( {\rtf1 a})"));
    EXPECT_FALSE(isRichText(uR"({\RTF1 a})"));
    EXPECT_FALSE(isRichText(u"{\\rt"));
    EXPECT_FALSE(isRichText(u""));
    EXPECT_FALSE(isRichText(u"Paciente {\\rtf1}"));
}

TEST(RtfText, ParagraphsTabsAndLineBreaks) {
    EXPECT_EQ(text(uR"({\rtf1 hello})"), u"hello");
    EXPECT_EQ(text(uR"({\rtf1 a\par b})"), u"a\r\nb");
    EXPECT_EQ(text(uR"({\rtf1 a\par\par })"), u"a\r\n\r\n");  // the document's last mark stays
    EXPECT_EQ(text(uR"({\rtf1 a\sect b\page c\column d})"), u"a\r\nb\r\ncd");
    EXPECT_EQ(text(uR"({\rtf1 a\line b})"), u"a\r\nb");  // a line break, like a paragraph mark
    EXPECT_EQ(text(uR"({\rtf1 a\tab b})"), u"a\tb");
    EXPECT_EQ(text(u"{\\rtf1 a\tb}"), u"a\tb");
    EXPECT_EQ(text(u"{\\rtf1 a\r\nb\n}"), u"ab");  // line ends in the markup are not text
    EXPECT_EQ(text(u"{\\rtf1 a\\\r\nb}"), u"a\r\nb");  // backslash before a line end
    EXPECT_EQ(text(uR"({\rtf1 {a\par}b})"), u"a\r\nb");
    EXPECT_EQ(text(uR"({\rtf1 \trowd\cellx1000\cellx2000 a\cell b\cell\row c})"), u"a\tb\t\r\nc");
}

// Runs of text of every length, ended by each thing that ends a run or by the end of
// the input, with characters whose low byte is that of a brace, a backslash, a line
// end or NUL (they are text).
TEST(RtfText, RunsOfEveryLengthEndWhereTheirTextEnds) {
    const std::u16string kText = u"Pacient\u015C \u017B\u017D\u010D\u010A\u0100e, 12 mg\u00E9 x";
    const std::pair<std::u16string, std::u16string> kEnds[] = {
        {u"\\par ", u"\r\n"}, {u"{}", u""}, {u"\r\n", u""}, {u"\\'e9", u"\u00E9"}, {u"\\{", u"{"}, {u"", u""},
    };
    for (size_t length = 0; length <= 3 * kText.size(); ++length) {
        std::u16string run;
        while (run.size() < length) run += kText[run.size() % kText.size()];
        for (const auto& [end, endText] : kEnds) {
            const std::u16string document = u"{\\rtf1 " + run + end + u"z}";
            ASSERT_EQ(text(document), run + endText + u"z") << length << " " << toUtf8(end);
            ASSERT_EQ(text(u"{\\rtf1 " + run), run) << length;  // the input ends inside the run
            ASSERT_EQ(text(u"{\\rtf1 {\\*\\x " + run + u"}" + run + u"}"), run) << length;
        }
    }
}

TEST(RtfText, ControlWordsEndAtTheirDelimiterAndTakeSignedParameters) {
    EXPECT_EQ(text(uR"({\rtf1 \b  two})"), u" two");  // one space is the delimiter
    EXPECT_EQ(text(uR"({\rtf1 \fs20x})"), u"x");
    EXPECT_EQ(text(uR"({\rtf1 \li-20-x})"), u"-x");
    EXPECT_EQ(text(uR"({\rtf1 \li- x})"), u"x");
    EXPECT_EQ(text(uR"({\rtf1 \b\i\ul word\ul0\i0\b0 .})"), u"word.");
    EXPECT_EQ(text(uR"({\rtf1 a\abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz b})"), u"ab");
    EXPECT_EQ(text(uR"({\rtf1 a\par1 b})"), u"a\r\nb");  // a parameter the word ignores
}

// Names of every length, ended by each kind of character, also characters
// whose low byte is that of a letter, or at the end of the input.
TEST(RtfText, ControlWordNamesOfEveryLengthEndWhereTheLettersEnd) {
    const std::pair<std::u16string, std::u16string> kEnds[] = {
        {u" ", u""}, {u"12 ", u""}, {u"-3x", u"x"}, {u"\u8061", u"\u8061"}, {u"\u0141", u"\u0141"},
        {u"\u0161", u"\u0161"}, {u"{}", u""}, {u"\\par ", u"\r\n"}, {u"\r\n", u""},
    };
    for (size_t length = 1; length <= 20; ++length) {
        const std::u16string name(length, u'q');
        for (const auto& [end, endText] : kEnds) {
            ASSERT_EQ(text(u"{\\rtf1 a\\" + name + end + u"b}"), u"a" + endText + u"b") << length << toUtf8(end);
        }
        ASSERT_EQ(text(u"{\\rtf1 a\\" + name), u"a") << length;  // the input ends inside the name
        const std::u16string before(length, u'x');  // a known word at every offset
        ASSERT_EQ(text(u"{\\rtf1 " + before + u"\\par b}"), before + u"\r\nb") << length;
    }
}

TEST(RtfText, ControlSymbols) {
    EXPECT_EQ(text(uR"({\rtf1 a\~b\-c\_d\{\}\\e})"), u"a\u00A0bc\u2011d{}\\e");
    EXPECT_EQ(text(uR"({\rtf1 a\|b\!c\@d\:e})"), u"abcd:e");
    EXPECT_EQ(text(uR"({\rtf1 a\emdash b\endash c\bullet d\lquote e\rquote f\ldblquote g\rdblquote h})"),
              u"a\u2014b\u2013c\u2022d\u2018e\u2019f\u201Cg\u201Dh");
    EXPECT_EQ(text(uR"({\rtf1 a\emspace b\enspace c\zwj d\zwnj e\ltrmark f\rtlmark g})"),
              u"a b c\u200Dd\u200Ce\u200Ef\u200Fg");
}

TEST(RtfCharacters, HexBytesFollowTheDocumentCodePage) {
    EXPECT_EQ(text(uR"({\rtf1\ansi a\'e1\'E9\'80\'9f\'ff\'a0})"), u"a\u00E1\u00E9\u20AC\u0178\u00FF\u00A0");
    EXPECT_EQ(text(uR"({\rtf1 \'e3})"), u"\u00E3");  // the Western page by default
    EXPECT_EQ(text(uR"({\rtf1\ansi\ansicpg1251 \'c0\'e1})"), u"\u0410\u0431");
    EXPECT_EQ(text(uR"({\rtf1\ansi\ansicpg1250 \'8a\'b9})"), u"\u0160\u0105");
    EXPECT_EQ(text(uR"({\rtf1\ansi\ansicpg99999 \'e9})"), u"\u00E9");  // unknown: Western instead
    EXPECT_EQ(text(uR"({\rtf1\pc \'82})"), u"\u00E9");
    EXPECT_EQ(text(uR"({\rtf1\mac \'8e})"), u"\u00E9");
    EXPECT_EQ(text(uR"({\rtf1\ansi\ansicpg10007 \'80\'df})"), u"\u0410\u044F");  // Mac Cyrillic
    EXPECT_EQ(text(uR"({\rtf1\ansi\ansicpg852 \'a5})"), u"\u0105");
    EXPECT_EQ(text(uR"({\rtf1\ansi a\'00b\u0?c})"), u"abc");  // NUL is never text
    EXPECT_EQ(text(uR"({\rtf1 \'e9 x})"), u"\u00E9 x");  // no delimiter after the two digits
}

// Every byte written as \'hh, in capital and small hex digits alike ("M\'F3nica").
TEST(RtfCharacters, HexDigitsOfEitherCaseGiveTheSameByte) {
    const char16_t* const digits[] = {u"0123456789abcdef", u"0123456789ABCDEF"};
    for (unsigned byte = 0x20; byte <= 0xFF; ++byte) {
        for (const char16_t* hex : digits) {
            const std::u16string document =
                u"{\\rtf1\\ansi M\\'" + std::u16string{hex[byte >> 4], hex[byte & 15]} + u"nica}";
            EXPECT_EQ(text(document), u"M" + std::u16string(1, fromCp1252(static_cast<unsigned char>(byte))) + u"nica")
                << toUtf8(document);
        }
    }
}

TEST(RtfCharacters, FontsCarryTheirOwnCodePage) {
    const std::u16string_view fonts =
        uR"({\rtf1\ansi\ansicpg1252\deff1{\fonttbl{\f0\fcharset0 A;}{\f1\fcharset204 B;}{\f2\fcharset161 G;})"
        uR"({\f3\cpg1250 E;}{\f4\fcharset1 D;}})";
    EXPECT_EQ(text(std::u16string(fonts) + uR"(\'c0\f0 \'c0\f2 \'c1{\f3 \'8a}\'c1\plain \'c0\f4 \'c0})"),
              u"\u0410\u00C0\u0391\u0160\u0391\u0410\u00C0");
    // A font the table does not list, and a table written without groups.
    EXPECT_EQ(text(uR"({\rtf1{\fonttbl\f0\fswiss\fcharset204 Arial;}\f7 \'c0\f0 \'c0 a})"), u"\u00C0\u0410 a");
}

// A symbol font's bytes below 0x80, typed or written as \'hh, are the letters
// they are typed with; the bytes above are its private-use symbols.
TEST(RtfCharacters, SymbolFontsKeepTypedLetters) {
    const std::u16string_view fonts = uR"({\rtf1\ansi{\fonttbl{\f0\fcharset0 A;}{\f1\fcharset2 Symbol;}})";
    EXPECT_EQ(text(std::u16string(fonts) + uR"(\f1 ab\'61\'b7\'e9\f0 \'e9})"), u"aba\uF0B7\uF0E9\u00E9");
    EXPECT_EQ(text(std::u16string(fonts) + u"\\f1 \u00B7\u00E9}"), u"\uF0B7\uF0E9");  // as bytes too
}

TEST(RtfCharacters, ALaterDefinitionOfAFontWins) {
    // A short table.
    EXPECT_EQ(text(uR"({\rtf1{\fonttbl{\f1\fcharset204 A;}{\f2\fcharset161 B;}{\f1\fcharset0 C;}})"
                   uR"(\f1 \'c0\f2 \'c1})"),
              u"\u00C0\u0391");
    // A long one, defined out of order, with fonts defined twice far apart.
    std::u16string fonts = u"{\\rtf1{\\fonttbl";
    for (int i = 40; i > 0; --i) fonts += u"{\\f" + fromUtf8(std::to_string(i)) + u"\\fcharset204 A;}";
    fonts += uR"({\f7\fcharset161 G;}{\f30\fcharset0 W;}{\f7\fcharset238 E;}})";
    EXPECT_EQ(text(fonts + uR"(\f7 \'8a\f30 \'c0\f12 \'c0\f40 \'c0\f41 \'c0})"),
              u"\u0160\u00C0\u0410\u0410\u00C0");
}

TEST(RtfMultiByte, DoubleBytePagesOfTheDocument) {
    EXPECT_EQ(text(uR"({\rtf1\ansi\ansicpg932 \'82\'a0\'83\'65})"), u"\u3042\u30C6");
    EXPECT_EQ(text(uR"({\rtf1\ansi\ansicpg932 \'83e\'b1})"), u"\u30C6\uFF71");  // trail byte as text; kana
    EXPECT_EQ(text(uR"({\rtf1\ansi\ansicpg936 \'c4\'e3\'ba\'c3})"), u"\u4F60\u597D");
    EXPECT_EQ(text(uR"({\rtf1\ansi\ansicpg949 \'c7\'d1\'b1\'db})"), u"\uD55C\uAE00");
    EXPECT_EQ(text(uR"({\rtf1\ansi\ansicpg950 \'a4\'a4\'a4\'e5})"), u"\u4E2D\u6587");
    // Line ends in the markup do not part the two bytes.
    EXPECT_EQ(text(u"{\\rtf1\\ansi\\ansicpg932 \\'82\r\n\\'a0}"), u"\u3042");
    // Raw bytes of the memo, the characters the Western page gives them.
    EXPECT_EQ(text(u"{\\rtf1\\ansi\\ansicpg932 \u201A\u00A0x}"), u"\u3042x");
    // The fallback of \u counts bytes.
    EXPECT_EQ(text(uR"({\rtf1\ansi\ansicpg932\uc2 \u12354\'82\'a0x})"), u"\u3042x");
}

TEST(RtfMultiByte, IncompleteCharactersEndWhereTheBytesStop) {
    // A lead byte without its trail is the page's default character.
    EXPECT_EQ(text(uR"({\rtf1\ansi\ansicpg932 a\'82\par b\'82})"), u"a\u30FB\r\nb\u30FB");
    EXPECT_EQ(text(uR"({\rtf1\ansi\ansicpg932 \'82\'20x})"), u"\u30FB x");  // not a trail byte
    EXPECT_EQ(text(uR"({\rtf1\ansi\ansicpg932 \'82\'00x})"), u"\u30FBx");
}

TEST(RtfMultiByte, FontsSwitchThePageUntilTheFontChangesBack) {
    const std::u16string fonts =
        uR"({\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fcharset0 A;}{\f1\fcharset128 J;}{\f2\fcharset129 K;})"
        uR"({\f3\fcharset134 C;}{\f4\fcharset136 T;}{\f5\cpg65001 U;}})";
    EXPECT_EQ(text(fonts + uR"(\f1 \'82\'a0\f0 \'e9{\f2 \'c7\'d1}\'e9\f3 \'c4\'e3\f4 \'a4\'a4\f5 \'e4\'b8\'ad})"),
              u"\u3042\u00E9\uD55C\u00E9\u4F60\u4E2D\u4E2D");
    // A font change between the two bytes ends the character.
    EXPECT_EQ(text(fonts + uR"(\f1 \'82\f0 \'e9})"), u"\u30FB\u00E9");
}

TEST(RtfMultiByte, Utf8) {
    EXPECT_EQ(text(uR"({\rtf1\ansi\ansicpg65001 \'e3\'81\'82\'f0\'9f\'98\'80})"), u"\u3042\U0001F600");
    // Raw UTF-8 in the memo: "ação" as the Western page shows its bytes.
    EXPECT_EQ(text(u"{\\rtf1\\ansi\\ansicpg65001 a\u00C3\u00A7\u00C3\u00A3o}"), u"a\u00E7\u00E3o");
    // Cut sequences, stray continuation bytes, overlong forms and surrogates.
    EXPECT_EQ(text(uR"({\rtf1\ansicpg65001 \'e3\'81x\'81\'c0\'af\'ed\'a0\'80\'e3})"),
              u"\uFFFDx\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");
}

TEST(RtfCharacters, UnicodeEscapesSkipTheirFallbackCharacters) {
    EXPECT_EQ(text(uR"({\rtf1\uc1 x\u8364?y\u-3913?z})"), u"x\u20ACy\uF0B7z");
    EXPECT_EQ(text(uR"({\rtf1 x\u233?y})"), u"x\u00E9y");  // one fallback character by default
    EXPECT_EQ(text(uR"({\rtf1\uc2 x\u8364??y{\uc0 \u8364 z}\u8364 ab})"), u"x\u20ACy\u20ACz\u20AC");
    EXPECT_EQ(text(uR"({\rtf1\uc1 x\u233\'e9y})"), u"x\u00E9y");  // a hex byte is one fallback
    EXPECT_EQ(text(uR"({\rtf1\uc1 a\u233  b})"), u"a\u00E9b");     // so is a space
    EXPECT_EQ(text(uR"({\rtf1\uc1 a\u233\par b})"), u"a\u00E9\r\nb");  // a control word ends the fallback
    EXPECT_EQ(text(uR"({\rtf1\uc2 a\u233{b}cd})"), u"a\u00E9bcd");       // so does a group
    EXPECT_EQ(text(uR"({\rtf1\uc1 {\uc3 x}\u233?y})"), u"x\u00E9y");     // \uc is scoped by group
    EXPECT_EQ(text(uR"({\rtf1\uc1 \u-10179?\u-8704?})"), u"\U0001F600");  // a surrogate pair
    EXPECT_EQ(text(uR"({\rtf1\uc0 a\u70000 b\u-70000 c})"), u"a\u1170b\uEE90c");  // 16 bits kept
    EXPECT_EQ(text(uR"({\rtf1\uc0 a\u99999999999 b})"), u"a\uE7FFb");
}

TEST(RtfDestinations, HiddenDestinationsLeaveNoText) {
    EXPECT_EQ(text(uR"({\rtf1{\fonttbl{\f0\fnil MS Sans Serif;}}{\colortbl ;\red255\green0\blue0;}body})"),
              u"body");
    EXPECT_EQ(text(uR"({\rtf1 {\stylesheet{\s0 Normal;}{\s1 Heading;}}body})"), u"body");
    EXPECT_EQ(text(uR"({\rtf1 {\info{\title T}{\author A}{\creatim\yr2003}}body})"), u"body");
    EXPECT_EQ(text(uR"({\rtf1 a{\pict\wmetafile8\picw10\pich10 0102{}0304}b})"), u"ab");
    EXPECT_EQ(text(uR"({\rtf1 {\header head}{\footerr foot}{\footnote note}body})"), u"body");
    EXPECT_EQ(text(uR"({\rtf1 a{\*\foo hidden{\b more}}b{\*\generator x;}c})"), u"abc");
    // \* marks a destination only where one stands, at the start of a group.
    EXPECT_EQ(text(uR"({\rtf1 a{\i x\*\cs7 The quick}b})"), u"axThe quickb");
    EXPECT_EQ(text(uR"({\rtf1 a{\*\cs7 x}b{\*\ulnone y}c})"), u"axbyc");  // formatting, not destinations
    EXPECT_EQ(text(uR"({\rtf1 a{\i x\*\foo y}b})"), u"axyb");
    EXPECT_EQ(text(uR"({\rtf1 a{\*\bkmkstart m}{\*\fldinst x}b})"), u"ab");  // known destinations as ever
    EXPECT_EQ(text(uR"({\rtf1 a{\nonesttables b}c})"), u"ac");
    EXPECT_EQ(text(uR"({\rtf1 a{\*\shppict{\pict 01}}{\nonshppict{\pict 02}}b})"), u"ab");
    EXPECT_EQ(text(uR"({\rtf1 a{\xe index}{\tc toc}{\annotation ann}{\atnid x}b})"), u"ab");
    EXPECT_EQ(text(uR"({\rtf1 {\pntext\f0 1.\tab}{\*\pn\pnlvlbody\pndec}x\par})"), u"x\r\n");
    // Unknown groups without \* are ordinary text.
    EXPECT_EQ(text(uR"({\rtf1 a{\foo bar}b})"), u"abarb");
    EXPECT_EQ(text(uR"({\rtf1 {\listtext 1.\tab}item})"), u"1.\titem");
    // An object shows its result, fields their result, never their data or instructions.
    EXPECT_EQ(text(uR"({\rtf1 a{\object\objemb{\*\objclass Word}{\*\objdata 0102}{\result res}}b})"), u"aresb");
    EXPECT_EQ(text(uR"({\rtf1 {\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}} end})"), u"link end");
    // Braces escaped or hidden in binary data inside a hidden group do not end it early.
    EXPECT_EQ(text(uR"({\rtf1 a{\*\x \{ \} \\}b{\pict\bin3 }}{c}d})"), u"abd");
    // ... nor does an escaped brace standing alone, of either kind.
    EXPECT_EQ(text(uR"({\rtf1 a{\*\fldinst x\}y}b})"), u"ab");
    EXPECT_EQ(text(uR"({\rtf1 a{\*\fldinst x\{y}b})"), u"ab");
    EXPECT_EQ(text(uR"({\rtf1 a{\*\fldinst x\\}b})"), u"ab");
    EXPECT_EQ(text(uR"({\rtf1 a\bin3 {}}b})"), u"ab");  // binary data is never text
}

TEST(RtfMalformed, BrokenDocumentsKeepWhatWasReadAndStop) {
    EXPECT_EQ(text(uR"({\rtf1 a{b)"), u"ab");
    EXPECT_EQ(text(uR"({\rtf1 a}b}c)"), u"a");     // the document ends with its group
    EXPECT_EQ(text(uR"({\rtf1 a}trailing)"), u"a");
    EXPECT_EQ(text(uR"({\rtf1 a\'e)"), u"ae");  // the cut escape is dropped, its digit is text
    EXPECT_EQ(text(uR"({\rtf1 a\')"), u"a");
    EXPECT_EQ(text(uR"({\rtf1 a\'zzb})"), u"azzb");  // a bad escape is dropped, the text stays
    EXPECT_EQ(text(uR"({\rtf1 a\)"), u"a");
    EXPECT_EQ(text(uR"({\rtf1 a\u)"), u"a");
    EXPECT_EQ(text(uR"({\rtf1 a\u-)"), u"a");
    EXPECT_EQ(text(uR"({\rtf1 a{\*\x {{)"), u"a");
    EXPECT_EQ(text(uR"({\rtf1 a\bin99999 b})"), u"a");
    EXPECT_EQ(text(uR"({\rtf1 a\bin-5 b})"), u"ab");
    EXPECT_EQ(text(uR"({\*\x a} b)"), u"");  // the document itself hidden
    EXPECT_EQ(text(uR"({\rtf1})"), u"");
    EXPECT_EQ(text(std::u16string_view(u"{\\rtf1 a\0b}", 11)), u"ab");
    EXPECT_EQ(text(uR"(}{\rtf1 a})"), u"");  // a brace that closes nothing ends the reading
}

// Random documents built from the characters that carry meaning: whatever the
// mix, the reader ends and (under the sanitizers) touches no memory it must not.
TEST(RtfMalformed, RandomMarkupNeverFails) {
    static constexpr std::u16string_view kPieces[] = {
        u"{", u"}", u"\\", u"\\'", u"\\'e9", u"\\u", u"\\u-", u"\\u233", u"\\uc", u"\\uc2", u"\\bin",
        u"\\bin2 ", u"\\*", u"\\par", u"\\f", u"\\f1", u"\\fonttbl", u"\\fcharset204", u"\\ansicpg",
        u"\\ansicpg1251", u"\\pict", u"-", u"7", u" ", u"a", u"\r\n", std::u16string_view(u"\0", 1), u"\\~", u"\\{", u"\xFFFF"};
    std::mt19937 rng(12345);
    std::uniform_int_distribution<size_t> piece(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<int> length(0, 60);
    std::u16string out;
    for (int round = 0; round < 20000; ++round) {
        std::u16string doc = u"{\\rtf1";
        for (int k = length(rng); k > 0; --k) doc += kPieces[piece(rng)];
        out.clear();
        appendRichText(doc, out);
        EXPECT_LE(out.size(), doc.size() * 2) << round;
    }
}

using testing::repeat;

TEST(RtfLimits, DeepNestingNeedsNoRecursion) {
    constexpr size_t kDepth = 100000;
    const std::u16string open = repeat(u"{", kDepth);
    const std::u16string close = repeat(u"}", kDepth);
    EXPECT_EQ(text(u"{\\rtf1 " + open + u"a" + close + u"b}"), u"ab");
    EXPECT_EQ(text(u"{\\rtf1 " + repeat(u"{\\b ", kDepth) + u"x"), u"x");  // never closed
    EXPECT_EQ(text(u"{\\rtf1 {\\*\\x " + open + u"a" + close + u"}b}"), u"b");
    EXPECT_EQ(text(u"{\\rtf1 {\\fonttbl" + open + u"\\f1\\fcharset204 A;" + close + u"}\\f1 \\'c0}"), u"\u0410");
    EXPECT_EQ(text(u"{\\rtf1 " + repeat(u"}", kDepth) + u"a"), u"");
}

// Shapes that would expose a path quadratic in the document's length (rtf_bench
// times them; a quadratic path runs past the test's time-out).
TEST(RtfLimits, LongDocumentsOfEveryShape) {
    std::u16string out;
    for (const auto& document : testing::longDocuments()) {
        out.clear();
        appendRichText(document.rtf, out);
        EXPECT_LE(out.size(), document.rtf.size()) << document.shape;
    }
    EXPECT_EQ(out, testing::lastLongDocumentText());
}

// Documents whose plain text the rich-edit control was seen to give: NAME.rtf
// (bytes as stored, one byte a character) beside NAME.txt (UTF-8).
TEST(RtfCorpus, DocumentsGiveTheControlsText) {
    const std::filesystem::path dir = std::filesystem::path(SCANDREL_SOURCE_DIR) / "search/tests/rtf_corpus";
    int documents = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".rtf") continue;
        std::ifstream rtfFile(entry.path(), std::ios::binary);
        const std::string rtfBytes((std::istreambuf_iterator<char>(rtfFile)), {});
        std::ifstream txtFile(std::filesystem::path(entry.path()).replace_extension(".txt"), std::ios::binary);
        ASSERT_TRUE(txtFile) << entry.path();
        const std::string expected((std::istreambuf_iterator<char>(txtFile)), {});
        const std::u16string document(rtfBytes.begin(), rtfBytes.end());
        EXPECT_EQ(toUtf8(text(document)), expected) << entry.path();
        ++documents;
    }
    EXPECT_GE(documents, 8);
}

TEST(PlainTextBuffer, JoinsValuesAsTheControlDoes) {
    PlainTextBuffer buffer;
    buffer.append(uR"({\rtf1 a\par })");
    buffer.append(uR"({\rtf1 b})");
    buffer.append(u" ");
    buffer.append(u"linha 1\nlinha 2");
    buffer.append(uR"({\rtf1 {\fonttbl{\f0 Arial;}}\f0 c\par\par })");
    buffer.append(u"");
    buffer.append(uR"( {\rtf1 d})");
    EXPECT_EQ(buffer.plainText(), u"a\r\nb linha 1\r\nlinha 2c\r\n\r\n {\\rtf1 d}");

    buffer.clear();
    EXPECT_EQ(buffer.plainText(), u"");
    buffer.append(uR"({\rtf1\ansi\ansicpg1252\deff0\deflang1046{\fonttbl{\f0\fnil\fcharset0 MS Sans Serif;}})"
                  u"\r\n\\viewkind4\\uc1\\pard\\f0\\fs17 \r\n\\par }\r\n");
    EXPECT_EQ(buffer.text(), u"\r\n");  // an empty paragraph
}

TEST(PlainTextBuffer, AppendsItsPlainTextToAnotherText) {
    PlainTextBuffer buffer;
    buffer.append(uR"({\rtf1 a\par b})");
    std::u16string out = u"x";
    buffer.appendPlainText(out);
    EXPECT_EQ(out, u"xa\r\nb");

    // A buffer that only gives its text as a copy appends that copy.
    struct CopyingBuffer final : RichTextBuffer {
        void clear() override {}
        void append(std::u16string_view) override {}
        std::u16string plainText() const override { return u"memo"; }
    } copying;
    copying.appendPlainText(out);
    EXPECT_EQ(out, u"xa\r\nbmemo");
}

}  // namespace
}  // namespace scandrel::search::rtf
