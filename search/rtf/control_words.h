#pragma once
// The control words the rich-text reader acts on, and how it finds them: a table
// sorted by name, with an index by a hash of the name built at compile time, and
// the formatting words it knows but ignores. Constant data and pure look-ups, for
// any thread.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace scandrel::search::rtf {

// What a control word does. Words not in the table are formatting this reader
// has no use for, and are ignored.
enum class Action : uint8_t {
    Character,      // inserts `character`
    Break,          // end of a paragraph, section, page or table row: a paragraph mark
    Skip,           // a destination whose text is not part of the document
    FontTable,      // the font table: font numbers and their character sets
    Font,           // \fN
    FontCharset,    // \fcharsetN
    FontCodePage,   // \cpgN
    DefaultFont,    // \deffN
    Plain,          // \plain: back to the default font
    Unicode,        // \uN
    UnicodeSkip,    // \ucN
    Binary,         // \binN: N bytes of binary data follow
    DocumentCodePage,  // \ansi \mac \pc \pca: `character` unused, code page in `codePage`
    AnsiCodePage,   // \ansicpgN
};

struct ControlWord {
    std::string_view name;
    Action action;
    char16_t character = 0;
    uint16_t codePage = 0;
};

// Sorted by name for the binary search.
inline constexpr ControlWord kControlWords[] = {
    {"annotation", Action::Skip},
    {"ansi", Action::DocumentCodePage, 0, 1252},
    {"ansicpg", Action::AnsiCodePage},
    {"atnauthor", Action::Skip},
    {"atndate", Action::Skip},
    {"atnicn", Action::Skip},
    {"atnid", Action::Skip},
    {"atnparent", Action::Skip},
    {"atnref", Action::Skip},
    {"atntime", Action::Skip},
    {"atrfend", Action::Skip},
    {"atrfstart", Action::Skip},
    {"author", Action::Skip},
    {"bin", Action::Binary},
    {"bkmkend", Action::Skip},
    {"bkmkstart", Action::Skip},
    {"bullet", Action::Character, u'\u2022'},
    {"buptim", Action::Skip},
    {"cell", Action::Character, u'\t'},
    {"colortbl", Action::Skip},
    {"comment", Action::Skip},
    {"cpg", Action::FontCodePage},
    {"creatim", Action::Skip},
    {"datastore", Action::Skip},
    {"deff", Action::DefaultFont},
    {"doccomm", Action::Skip},
    {"emdash", Action::Character, u'\u2014'},
    {"emspace", Action::Character, u' '},
    {"endash", Action::Character, u'\u2013'},
    {"enspace", Action::Character, u' '},
    {"f", Action::Font},
    {"fcharset", Action::FontCharset},
    {"filetbl", Action::Skip},
    {"fldinst", Action::Skip},
    {"fonttbl", Action::FontTable},
    {"footer", Action::Skip},
    {"footerf", Action::Skip},
    {"footerl", Action::Skip},
    {"footerr", Action::Skip},
    {"footnote", Action::Skip},
    {"ftncn", Action::Skip},
    {"ftnsep", Action::Skip},
    {"ftnsepc", Action::Skip},
    {"generator", Action::Skip},
    {"header", Action::Skip},
    {"headerf", Action::Skip},
    {"headerl", Action::Skip},
    {"headerr", Action::Skip},
    {"info", Action::Skip},
    {"keywords", Action::Skip},
    {"latentstyles", Action::Skip},
    {"ldblquote", Action::Character, u'\u201C'},
    {"line", Action::Break},
    {"listoverridetable", Action::Skip},
    {"listtable", Action::Skip},
    {"lquote", Action::Character, u'\u2018'},
    {"ltrmark", Action::Character, u'\u200E'},
    {"mac", Action::DocumentCodePage, 0, 10000},
    {"nestcell", Action::Character, u'\t'},
    {"nestrow", Action::Break},
    {"nonesttables", Action::Skip},  // the text for readers that cannot show nested tables
    {"nonshppict", Action::Skip},
    {"objalias", Action::Skip},
    {"objclass", Action::Skip},
    {"objdata", Action::Skip},
    {"objname", Action::Skip},
    {"objsect", Action::Skip},
    {"objtopic", Action::Skip},
    {"operator", Action::Skip},
    {"page", Action::Break},
    {"par", Action::Break},
    {"pc", Action::DocumentCodePage, 0, 437},
    {"pca", Action::DocumentCodePage, 0, 850},
    {"pict", Action::Skip},
    {"plain", Action::Plain},
    {"pntext", Action::Skip},
    {"pntxta", Action::Skip},
    {"pntxtb", Action::Skip},
    {"printim", Action::Skip},
    {"private", Action::Skip},
    {"qmspace", Action::Character, u' '},
    {"rdblquote", Action::Character, u'\u201D'},
    {"revtbl", Action::Skip},
    {"revtim", Action::Skip},
    {"row", Action::Break},
    {"rquote", Action::Character, u'\u2019'},
    {"rsidtbl", Action::Skip},
    {"rtlmark", Action::Character, u'\u200F'},
    {"sect", Action::Break},
    {"stylesheet", Action::Skip},
    {"subject", Action::Skip},
    {"tab", Action::Character, u'\t'},
    {"tc", Action::Skip},
    {"template", Action::Skip},
    {"title", Action::Skip},
    {"txe", Action::Skip},
    {"u", Action::Unicode},
    {"uc", Action::UnicodeSkip},
    {"xe", Action::Skip},
    {"zwj", Action::Character, u'\u200D'},
    {"zwnj", Action::Character, u'\u200C'},
};

static_assert(std::is_sorted(std::begin(kControlWords), std::end(kControlWords),
                             [](const ControlWord& a, const ControlWord& b) { return a.name < b.name; }));

// Formatting this reader ignores but a reader knows: "{\*" before one of them
// marks no destination, and the group is read. Sorted for the binary search;
// asked only after "{\*".
inline constexpr std::string_view kFormattingWords[] = {
    "ab", "af", "ai", "b", "caps", "cb", "cf", "charscalex", "cs", "dbch", "dn", "expnd", "expndtw",
    "fi", "fs", "hich", "highlight", "i", "insrsid", "kerning", "lang", "langfe", "langfenp",
    "langnp", "li", "loch", "ltrch", "noproof", "nosupersub", "outl", "pard", "qc", "qj", "ql",
    "qr", "ri", "rtlch", "s", "sa", "sb", "scaps", "shad", "sl", "slmult", "strike", "sub", "super",
    "ul", "ulnone", "up",
};

static_assert(std::is_sorted(std::begin(kFormattingWords), std::end(kFormattingWords)));

// The words by a hash of their names, in a table at most a quarter full; most
// words a document uses are formatting this reader ignores, and are looked up
// all the same.
inline constexpr size_t kIndexSize = 512;  // a power of two
inline constexpr uint8_t kNoWord = 0xFF;
static_assert(std::size(kControlWords) < kNoWord && std::size(kControlWords) * 4 <= kIndexSize);

// From the first and last letters and the length: no work per letter of a name.
constexpr uint32_t nameHash(char16_t first, char16_t last, size_t length) {
    return (first * 31u + last) * 31u + static_cast<uint32_t>(length);
}

constexpr size_t indexSlot(std::string_view name) {
    const auto first = static_cast<char16_t>(name.front());
    const auto last = static_cast<char16_t>(name.back());
    return nameHash(first, last, name.size()) & (kIndexSize - 1);
}

constexpr std::array<uint8_t, kIndexSize> makeIndex() {
    std::array<uint8_t, kIndexSize> index{};
    for (auto& entry : index) entry = kNoWord;
    for (size_t word = 0; word < std::size(kControlWords); ++word) {
        size_t slot = indexSlot(kControlWords[word].name);
        while (index[slot] != kNoWord) slot = (slot + 1) & (kIndexSize - 1);
        index[slot] = static_cast<uint8_t>(word);
    }
    return index;
}
inline constexpr std::array<uint8_t, kIndexSize> kIndex = makeIndex();

namespace detail {

inline bool sameName(std::string_view word, std::u16string_view name) {
    if (word.size() != name.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (static_cast<char16_t>(word[i]) != name[i]) return false;
    }
    return true;
}

}  // namespace detail

// The word of this name, or null when the reader ignores it. `name` is not empty.
inline const ControlWord* findControlWord(std::u16string_view name) {
    const uint32_t hash = nameHash(name.front(), name.back(), name.size());
    for (size_t slot = hash & (kIndexSize - 1); kIndex[slot] != kNoWord; slot = (slot + 1) & (kIndexSize - 1)) {
        const ControlWord& word = kControlWords[kIndex[slot]];
        if (detail::sameName(word.name, name)) return &word;
    }
    return nullptr;
}

// Whether `name` is formatting this reader ignores but a reader knows: "{\*" before
// it marks no destination. Out of line: asked rarely, only after "{\*".
bool isFormattingWord(std::u16string_view name);

}  // namespace scandrel::search::rtf
