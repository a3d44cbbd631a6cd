// The portable buffer against the real rich-edit control: every sequence of
// values is appended to both, and the plain texts must be identical, or differ
// exactly as the table of known differences says.
#include "search/win32/rich_edit_buffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "search/plain_text_buffer.h"

namespace scandrel::search::win32 {
namespace {

struct Case {
    std::string name;
    std::vector<std::u16string> values;  // appended in order after emptying
};

// Where the portable reader deliberately parts from the control (as seen under
// Wine's riched20): the reader's own text, and why.
//
// Code pages: the reader decodes bytes with tables generated at build time from
// the codecs' mapping data, the same in both builds, where the control uses the
// platform's conversion. They agree: the double-byte pages (932, 936, 949, 950)
// and UTF-8 below, and every byte and pair of every page in
// code_page_compare_test. A lead byte that is not followed by its trail byte
// (a control word, a group, a font change or the end of the document comes
// first) is the page's default character, as in the control; the raw characters
// of a memo stand for their bytes in the Western page, as the control reads them.
struct Difference {
    std::u16string ours;
    const char* reason;
};

const std::map<std::string, Difference>& knownDifferences() {
    static const std::map<std::string, Difference> table = {
        {"corpus/table",
         {u"Exames:\r\nGlicemia\t112 mg/dL\t\r\nHbA1c\t6,4 %\t\r\nFim.\r\n",
          "the control keeps table rows as objects and writes an extra paragraph mark before each row; "
          "the reader writes the classic form: a tab after each cell, a paragraph mark after each row"}},
        {"corpus/picture",
         {u"Les\u00E3o no antebra\u00E7o:\r\n\r\nFoto tirada em 15/08/2003.\r\nFim.\r\n",
          "the control shows a picture it can decode as one space; the reader does not decode "
          "pictures and leaves nothing for them"}},
        {"table without paragraph properties",
         {u"a\tb\t\r\nc",
          "the control loses the cells' separators when the row has no \\intbl paragraph"}},
        {"object with a result",
         {u"aresb", "the control loses the text that follows an object's group; the reader keeps it"}},
        {"field result",
         {u"link end",
          "the control drops fields entirely; the reader keeps the result, the text a reader of the "
          "document sees"}},
        {"binary data in the text",
         {u"ab", "the control inserts \\bin data as characters; binary data is never text"}},
        {"bad hex escape",
         {u"azzb", "the control stops reading the document; the reader drops the escape and goes on"}},
        {"unknown code page",
         {u"\u00E9", "the control inserts nothing; the reader falls back to the Western code page"}},
        {"pc code page",
         {u"\u00E9", "the control ignores \\pc; the reader decodes the byte in code page 437"}},
        {"paragraphs, tabs and line breaks",
         {u"a\r\nb\tc\r\nd\r\ne\r\nfg",
          "the control under Wine turns \\line into a space; a manual line break is a line break, "
          "as the Windows control shows it"}},
        {"corpus/header_footer",
         {u"Atestado\r\nAtesto para os devidos fins que o paciente\r\nesteve em consulta.\r\n\r\n"
          u"Segunda p\u00E1gina\r\nSe\u00E7\u00E3o nova\r\n",
          "the control under Wine turns \\line into a space; a manual line break is a line break"}},
        {"quarter em space",
         {u"a b", "the control leaves nothing for \\qmspace; the reader keeps it as a space"}},
        {"mac character sets",
         {u"\u0410",
          "the control knows no Mac character set but 77 and reads the others' bytes in the Western page; "
          "the reader reads them in their Mac pages (89: Mac Cyrillic)"}},
        {"star inside a group before an unknown word",
         {u"axyb",
          "the control drops the rest of the group after \\* and a word it does not know, wherever they "
          "stand; the reader takes \\* for the mark of a destination only at the start of a group, and "
          "keeps the text of a group it is met inside"}},
        {"symbol font letters",
         {u"aba\uF0B7c",
          "under Wine the control gives a symbol font's letters, typed or as \\'hh, as private-use "
          "characters (U+F061 for a); the reader keeps every byte below 0x80 as the letter it is typed "
          "with, which a search can find, and only the bytes from 0x80 up as private-use symbols"}},
    };
    return table;
}

std::u16string ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::vector<Case> inlineCases() {
    return {
        {"plain text", {u"Paciente com febre"}},
        {"plain text with line breaks", {u"linha 1\r\nlinha 2\nlinha 3\rlinha 4\r\r\nfim"}},
        {"plain values in sequence", {u"abc", u" ", u"def", u" "}},
        {"null memos", {u" ", u" ", u" "}},
        {"empty value", {u"", u"x", u""}},
        {"value that only looks like rich text", {uR"( {\rtf1 a})", uR"({\RTF1 b})"}},
        {"simple document", {uR"({\rtf1 hello})"}},
        {"documents in sequence", {uR"({\rtf1 a\par })", uR"({\rtf1 b\par })", uR"({\rtf1 c})"}},
        {"documents without paragraph marks", {uR"({\rtf1 a})", uR"({\rtf1 b})"}},
        {"document then plain text", {uR"({\rtf1 a\par })", u"x", uR"({\rtf1 b})", u"y"}},
        {"plain text then document", {u"x\r\n", uR"({\rtf1 a\par\par })", u" "}},
        {"memos of a patient",
         {u" ", uR"({\rtf1\ansi\deff0{\fonttbl{\f0 Arial;}}\f0 Alergia a \b dipirona\b0\par })", u" ",
          u"Texto simples", uR"({\rtf1 fim})"}},
        {"window's initial document twice",
         {u"{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1046{\\fonttbl{\\f0\\fnil\\fcharset0 MS Sans Serif;}}\r\n"
          u"\\viewkind4\\uc1\\pard\\f0\\fs17 \r\n\\par }\r\n",
          u"{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1046{\\fonttbl{\\f0\\fnil\\fcharset0 MS Sans Serif;}}\r\n"
          u"\\viewkind4\\uc1\\pard\\f0\\fs17 \r\n\\par }\r\n"}},
        {"paragraphs, tabs and line breaks", {uR"({\rtf1 a\par b\tab c\line d\sect e\page f\column g})"}},
        {"control word delimiters", {uR"({\rtf1 \b  two \fs20x\li-20-y\li- z})"}},
        {"control symbols", {uR"({\rtf1 a\~b\-c\_d\{\}\\e\|f\:g})"}},
        {"typographic words", {uR"({\rtf1 a\emdash b\endash c\bullet d\lquote e\rquote f\ldblquote g\rdblquote h)"
                               uR"(\emspace i\enspace j\zwj k\zwnj l\ltrmark m\rtlmark n})"}},
        {"quarter em space", {uR"({\rtf1 a\qmspace b})"}},
        {"hex bytes", {uR"({\rtf1\ansi a\'e1\'E9\'80\'9f\'ff\'a0 \'e9x})"}},
        {"other code pages", {uR"({\rtf1\ansi\ansicpg1251 \'c0\'e1})", uR"({\rtf1\ansi\ansicpg1250 \'8a\'b9})"}},
        {"font character sets",
         {uR"({\rtf1\ansi{\fonttbl{\f0\fcharset0 A;}{\f1\fcharset204 B;}{\f2\fcharset161 G;}{\f3\fcharset2 S;}})"
          uR"(\f1 \'c0\f0 \'c0\f2 \'c1\f3 \'b7})"}},
        {"unknown code page", {uR"({\rtf1\ansi\ansicpg99999 \'e9})"}},
        {"pc code page", {uR"({\rtf1\pc \'82})"}},
        {"unicode escapes",
         {uR"({\rtf1\uc1 x\u8364?y\u-3913?z\u233\'e9w\u233  v\u233\par u})",
          uR"({\rtf1\uc2 x\u8364??y{\uc0 \u8364 z}\u8364 ab{\uc3 c}\u233?d{e}})",
          uR"({\rtf1\uc1 \u-10179?\u-8704? \u70000 a\u-70000 b})"}},
        {"hidden destinations",
         {uR"({\rtf1 {\info{\title T}{\author A}}{\stylesheet{\s0 Normal;}}{\header h}{\footer f}body)"
          uR"({\footnote n}{\xe x}{\tc t}{\annotation a}{\*\foo hidden{\b x}}{\*\generator g;}{\pntext 1.}.})"}},
        {"unknown destination without star", {uR"({\rtf1 a{\foo bar}b{\listtext 1.\tab}c})"}},
        {"object with a result", {uR"({\rtf1 a{\object\objemb{\*\objclass W}{\*\objdata 0102}{\result res}}b})"}},
        {"field result", {uR"({\rtf1 {\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}} end})"}},
        {"nested groups", {u"{\\rtf1 " + std::u16string(20, u'{') + u"a" + std::u16string(20, u'}') + u"b}"}},
        {"line ends inside the markup", {u"{\\rtf1 a\r\nb\\par\r\nc\\\r\nd}"}},
        {"unbalanced braces", {uR"({\rtf1 a{b)", uR"({\rtf1 c}d}e)", uR"({\rtf1 f})" u"tail"}},
        {"cut escapes", {uR"({\rtf1 a\)", uR"({\rtf1 b\')"}},
        {"bad hex escape", {uR"({\rtf1 a\'zzb})"}},
        {"binary data in the text", {uR"({\rtf1 a\bin3 xyzb})"}},
        {"table without paragraph properties", {uR"({\rtf1 \trowd\cellx1000\cellx2000 a\cell b\cell\row c})"}},
        {"empty documents", {uR"({\rtf1})", uR"({\rtf1 })", uR"({\rtf1\par})"}},
        {"non-western character in the markup", {u"{\\rtf1 ma\u00E7\u00E3 \u20AC}"}},
        {"double-byte document pages",
         {uR"({\rtf1\ansi\ansicpg932 \'82\'a0\'83\'65\'83e\'b1})", uR"({\rtf1\ansi\ansicpg936 \'c4\'e3\'ba\'c3})",
          uR"({\rtf1\ansi\ansicpg949 \'c7\'d1\'b1\'db})", uR"({\rtf1\ansi\ansicpg950 \'a4\'a4\'a4\'e5})"}},
        {"double-byte font pages",
         {uR"({\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fcharset0 A;}{\f1\fcharset128 J;}{\f2\fcharset129 K;})"
          uR"({\f3\fcharset134 C;}{\f4\fcharset136 T;}}\f1 \'82\'a0\f0 \'e9{\f2 \'c7\'d1}\'e9\f3 \'c4\'e3\f4 \'a4\'a4})"}},
        {"double-byte raw bytes", {u"{\\rtf1\\ansi\\ansicpg932 \u201A\u00A0x}"}},
        {"double-byte character cut", {uR"({\rtf1\ansi\ansicpg932 a\'82\par b})"}},
        {"double-byte fallback of \\u", {uR"({\rtf1\ansi\ansicpg932\uc2 \u12354\'82\'a0x})"}},
        {"utf-8 pages",
         {uR"({\rtf1\ansi\ansicpg65001 \'e3\'81\'82\'f0\'9f\'98\'80})",
          u"{\\rtf1\\ansi\\ansicpg65001 a\u00C3\u00A7\u00C3\u00A3o}",
          uR"({\rtf1\ansi{\fonttbl{\f0\cpg65001 U;}}\f0 \'e4\'b8\'ad})"}},
        {"mac and dos pages",
         {uR"({\rtf1\ansi\ansicpg10007 \'80\'df})", uR"({\rtf1\ansi\ansicpg852 \'a5})",
          uR"({\rtf1\ansi\ansicpg10029 \'84})", uR"({\rtf1\ansi{\fonttbl{\f0\fcharset77 M;}}\f0 \'8e})"}},
        {"mac character sets", {uR"({\rtf1\ansi{\fonttbl{\f0\fcharset89 R;}}\f0 \'80})"}},
        {"star inside a group", {uR"({\rtf1 a{\i x\*\cs7 The quick}b})"}},
        {"star at a group's start before a formatting word", {uR"({\rtf1 a{\*\cs7 x}b})"}},
        {"star inside a group before an unknown word", {uR"({\rtf1 a{\i x\*\foo y}b})"}},
        {"nested tables fallback", {uR"({\rtf1 a{\nonesttables b}c})"}},
        {"nul byte", {uR"({\rtf1 a\'00b})"}},
        {"symbol font letters",
         {uR"({\rtf1\ansi{\fonttbl{\f0\fcharset0 A;}{\f1\fcharset2 Symbol;}}\f1 ab\'61\'b7\f0 c})"}},
    };
}

std::vector<Case> corpusCases() {
    std::vector<Case> cases;
    const std::filesystem::path dir = std::filesystem::path(SCANDREL_SOURCE_DIR) / "search/tests/rtf_corpus";
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".rtf") continue;
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), {});
        cases.push_back({"corpus/" + entry.path().stem().string(), {ascii(bytes)}});
    }
    return cases;
}

std::string shown(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        if (c == u'\r') {
            out += "\\r";
        } else if (c == u'\n') {
            out += "\\n";
        } else if (c == u'\t') {
            out += "\\t";
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[12];
            std::snprintf(hex, sizeof hex, "<%04X>", static_cast<unsigned>(c));
            out += hex;
        }
    }
    return out;
}

TEST(RichEditCompare, PortableBufferGivesTheControlsText) {
    RichEditBuffer control;
    PlainTextBuffer ours;
    std::vector<Case> cases = inlineCases();
    std::vector<Case> corpus = corpusCases();
    EXPECT_GE(corpus.size(), 8u);
    cases.insert(cases.end(), corpus.begin(), corpus.end());

    size_t differencesSeen = 0;
    for (const Case& c : cases) {
        control.clear();
        ours.clear();
        for (const auto& value : c.values) {
            control.append(value);
            ours.append(value);
        }
        const std::u16string fromControl = control.plainText();
        const auto known = knownDifferences().find(c.name);
        if (known == knownDifferences().end()) {
            EXPECT_EQ(shown(ours.plainText()), shown(fromControl)) << c.name;
        } else {
            ++differencesSeen;
            EXPECT_EQ(shown(ours.plainText()), shown(known->second.ours)) << c.name;
            EXPECT_NE(shown(fromControl), shown(ours.plainText()))
                << c.name << ": the control now agrees; drop the entry (" << known->second.reason << ")";
        }
    }
    EXPECT_EQ(differencesSeen, knownDifferences().size()) << "a known difference names no case";
}

TEST(RichEditCompare, ClearEmptiesAndLongTextsAreNotCut) {
    RichEditBuffer control;
    control.append(u"{\\rtf1 a\\par }");
    control.clear();
    EXPECT_EQ(control.plainText(), u"");

    // Beyond the control's default limit of 32,767 characters.
    std::u16string body;
    for (int i = 0; i < 5000; ++i) body += u"palavra\\par ";
    control.append(u"{\\rtf1 " + body + u"}");
    control.append(u"fim");
    const std::u16string text = control.plainText();
    EXPECT_EQ(text.size(), 5000u * 9u + 3u);
    EXPECT_TRUE(text.ends_with(u"palavra\r\nfim"));
}

}  // namespace
}  // namespace scandrel::search::win32
