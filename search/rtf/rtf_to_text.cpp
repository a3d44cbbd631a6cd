#include "search/rtf/rtf_to_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <type_traits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "search/rtf/code_page.h"
#include "text/utf.h"

namespace scandrel::search::rtf {

namespace {

constexpr std::u16string_view kParagraphMark = u"\r\n";

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
constexpr ControlWord kControlWords[] = {
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
constexpr std::string_view kFormattingWords[] = {
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
constexpr size_t kIndexSize = 512;  // a power of two
constexpr uint8_t kNoWord = 0xFF;
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
constexpr std::array<uint8_t, kIndexSize> kIndex = makeIndex();

bool sameName(std::string_view word, std::u16string_view name) {
    if (word.size() != name.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (static_cast<char16_t>(word[i]) != name[i]) return false;
    }
    return true;
}

// `name` is not empty.
const ControlWord* findControlWord(std::u16string_view name) {
    const uint32_t hash = nameHash(name.front(), name.back(), name.size());
    for (size_t slot = hash & (kIndexSize - 1); kIndex[slot] != kNoWord; slot = (slot + 1) & (kIndexSize - 1)) {
        const ControlWord& word = kControlWords[kIndex[slot]];
        if (sameName(word.name, name)) return &word;
    }
    return nullptr;
}

// Out of line: asked rarely, and kept out of the reader's hot path.
[[gnu::noinline, gnu::cold]] bool isFormattingWord(std::u16string_view name) {
    const auto* it = std::lower_bound(std::begin(kFormattingWords), std::end(kFormattingWords), name,
                                      [](std::string_view word, std::u16string_view n) {
                                          return std::lexicographical_compare(word.begin(), word.end(), n.begin(),
                                                                              n.end(), [](char a, char16_t b) {
                                                                                  return static_cast<char16_t>(a) < b;
                                                                              });
                                      });
    return it != std::end(kFormattingWords) && sameName(*it, name);
}

// One comparison: setting bit 5 maps A-Z onto a-z and nothing else onto them.
bool isAsciiLetter(char16_t c) { return static_cast<unsigned>((c | 0x20u) - u'a') < 26u; }
bool isDigit(char16_t c) { return static_cast<unsigned>(c - u'0') < 10u; }

// What a character means where text may stand. Anything not ASCII is text.
enum class Lead : uint8_t { Text, OpenBrace, CloseBrace, Backslash, Ignored };

constexpr std::array<Lead, 128> leads() {
    std::array<Lead, 128> table{};
    table[u'{'] = Lead::OpenBrace;
    table[u'}'] = Lead::CloseBrace;
    table[u'\\'] = Lead::Backslash;
    for (const char16_t c : {u'\r', u'\n', u'\0'}) table[c] = Lead::Ignored;
    return table;
}
constexpr std::array<Lead, 128> kLeads = leads();

Lead leadOf(char16_t c) { return c < kLeads.size() ? kLeads[c] : Lead::Text; }

// Braces, backslash, line ends and NUL end a run of text.
bool endsTextRun(char16_t c) { return leadOf(c) != Lead::Text; }

// Inside a skipped group only braces and backslashes matter.
constexpr std::array<bool, 128> groupMarks() {
    std::array<bool, 128> marks{};
    for (const char16_t c : {u'{', u'}', u'\\'}) marks[c] = true;
    return marks;
}
constexpr std::array<bool, 128> kGroupMarks = groupMarks();

bool isGroupMark(char16_t c) { return c < kGroupMarks.size() && kGroupMarks[c]; }

int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

enum class Destination : uint8_t { Text, FontTable };

// The state a group inherits from its parent and restores on close.
struct GroupState {
    int32_t font;  // -1: the document's default font
    uint16_t unicodeSkip;
    Destination destination;
};
constexpr GroupState kDocumentState{-1, 1, Destination::Text};

struct FontCodePage {
    int32_t font;
    uint32_t codePage;  // 0: the document's code page
};

// A stack of plain values kept in place while it is shallow, as nearly every
// document's is; deeper nesting moves it to the heap.
template <typename T, size_t N>
class SmallStack {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    SmallStack() = default;
    SmallStack(const SmallStack&) = delete;
    SmallStack& operator=(const SmallStack&) = delete;

    bool empty() const { return size_ == 0; }
    size_t size() const { return size_; }
    T& back() { return data_[size_ - 1]; }
    const T& back() const { return data_[size_ - 1]; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }

    // By value: the value may be an element, which growing moves.
    void push_back(T value) {
        if (size_ == capacity_) grow();
        data_[size_++] = value;
    }
    void pop_back() { --size_; }
    void clear() { size_ = 0; }

private:
    void grow() {
        const bool inPlace = data_ == local_.data();
        heap_.resize(capacity_ * 2);
        if (inPlace) std::copy(local_.begin(), local_.end(), heap_.begin());
        data_ = heap_.data();
        capacity_ = heap_.size();
    }

    std::array<T, N> local_;
    std::vector<T> heap_;
    T* data_ = local_.data();
    size_t size_ = 0;
    size_t capacity_ = N;
};

// Writes the text straight into `out`, which is grown once by the document's
// length: no markup gives more characters than it is written with (a paragraph
// mark, the longest result, takes a control of at least two characters), so the
// text never overtakes the reading position. The text written so far is what
// `out` holds when the reader is gone, whatever way it ends.
class Reader {
public:
    Reader(std::u16string_view input, std::u16string& out)
        : p_(input.data()), end_(input.data() + input.size()), out_(out), base_(out.size()) {
        out_.resize(base_ + input.size());
        w_ = out_.data() + base_;
    }
    ~Reader() { out_.resize(static_cast<size_t>(w_ - out_.data())); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    void run() {
        read();
        endBytes();
    }

private:
    void read() {
        while (p_ < end_) {
            switch (leadOf(*p_)) {
                case Lead::Text:
                    textRun();
                    break;
                case Lead::Backslash:
                    controlAt();
                    break;
                case Lead::OpenBrace:
                    ++p_;
                    endBytes();
                    openGroup();
                    break;
                case Lead::CloseBrace:
                    ++p_;
                    endBytes();
                    if (!closeGroup()) return;
                    break;
                case Lead::Ignored:
                    ++p_;
                    break;
            }
        }
    }

    GroupState& state() { return stack_.back(); }

    void openGroup() {
        groupStart_ = p_;
        pendingSkip_ = 0;
        stack_.push_back(stack_.empty() ? kDocumentState : stack_.back());
    }

    // False when the document's outermost group has closed: the document ends.
    bool closeGroup() {
        pendingSkip_ = 0;
        if (!stack_.empty()) stack_.pop_back();
        return !stack_.empty();
    }

    bool inText() const { return !stack_.empty() && stack_.back().destination == Destination::Text; }

    void put(char16_t c) { *w_++ = c; }
    void putParagraphMark() {
        w_[0] = kParagraphMark[0];
        w_[1] = kParagraphMark[1];
        w_ += 2;
    }

    // A run of ordinary characters. In the Western code page, the memo's own, each
    // character is itself and the run is copied while it is scanned. In any other
    // page a character stands for its byte in the Western page, read in that page
    // (a character the Western page has no byte for stays as it is).
    void textRun() {
        const char16_t* p = p_;
        // Only text asks for the code page: a font table's names would sort it again and again.
        const bool text = inText();
        const bool western = text && textCodePage() == kWesternCodePage;
        if (pendingSkip_ == 0 && western) {
            char16_t* w = w_;
            copyTextRun(p, w);
            w_ = w;
            p_ = p;
            return;
        }
        while (p < end_ && !endsTextRun(*p)) ++p;
        const auto length = static_cast<size_t>(p - p_);
        const size_t skipped = std::min<size_t>(pendingSkip_, length);
        pendingSkip_ -= static_cast<uint32_t>(skipped);
        if (text) {
            if (western) {
                std::copy(p_ + skipped, p, w_);
                w_ += length - skipped;
            } else {
                for (const char16_t* c = p_ + skipped; c < p; ++c) textCharacterAsByte(*c);
            }
        }
        p_ = p;
    }

    void textCharacterAsByte(char16_t c) {
        if (const int byte = westernByteOf(c); byte >= 0) {
            putByte(static_cast<unsigned char>(byte));
        } else {
            endBytes();
            put(c);
        }
    }

    // A byte of the text in the code page at hand. NUL characters are dropped.
    void putByte(unsigned char byte) {
        char16_t chars[ByteDecoder::kMaxOutput];
        const size_t count = decoder_.put(textCodePage(), byte, chars);
        for (size_t i = 0; i < count; ++i) {
            if (chars[i] != 0) put(chars[i]);
        }
    }

    // Ends a character of several bytes that is still waiting for the rest.
    void endBytes() {
        if (!decoder_.waiting()) return;
        char16_t chars[ByteDecoder::kMaxOutput];
        const size_t count = decoder_.finish(chars);
        if (!inText()) return;
        for (size_t i = 0; i < count; ++i) put(chars[i]);
    }

    // Copies characters from `p` to `w` up to the end of the run. Where there is room
    // for them, characters go eight at a time: the eight are stored whatever they are
    // (the output never overtakes the input, so there is room for them as well) and
    // the run ends at the first that ends it.
    void copyTextRun(const char16_t*& p, char16_t*& w) const {
#if defined(__SSE2__)
        const __m128i openBrace = _mm_set1_epi16(static_cast<short>(u'{'));
        const __m128i closeBrace = _mm_set1_epi16(static_cast<short>(u'}'));
        const __m128i backslash = _mm_set1_epi16(static_cast<short>(u'\\'));
        const __m128i carriageReturn = _mm_set1_epi16(static_cast<short>(u'\r'));
        const __m128i lineFeed = _mm_set1_epi16(static_cast<short>(u'\n'));
        const __m128i zero = _mm_setzero_si128();
        while (end_ - p >= 8) {
            const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(w), eight);
            const __m128i ends = _mm_or_si128(
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(eight, openBrace), _mm_cmpeq_epi16(eight, closeBrace)),
                             _mm_or_si128(_mm_cmpeq_epi16(eight, backslash), _mm_cmpeq_epi16(eight, zero))),
                _mm_or_si128(_mm_cmpeq_epi16(eight, carriageReturn), _mm_cmpeq_epi16(eight, lineFeed)));
            const auto mask = static_cast<unsigned>(_mm_movemask_epi8(ends));
            if (mask != 0) {
                const auto length = static_cast<size_t>(__builtin_ctz(mask) / 2);
                p += length;
                w += length;
                return;
            }
            p += 8;
            w += 8;
        }
#endif
        while (p < end_ && !endsTextRun(*p)) *w++ = *p++;
    }

    // A character that a control produced; it may be a \u fallback to skip.
    void emit(char16_t c) {
        if (pendingSkip_ > 0) {
            --pendingSkip_;
            return;
        }
        if (inText() && c != 0) put(c);
    }

    void controlAt() {
        if (end_ - p_ < 2) {
            p_ = end_;
            return;
        }
        const char16_t c = p_[1];
        if (c != u'\'') endBytes();
        if (isAsciiLetter(c)) {
            controlWord();
        } else {
            p_ += 2;
            controlSymbol(c);
        }
    }

    void controlSymbol(char16_t c) {
        switch (c) {
            case u'\\':
            case u'{':
            case u'}':
            case u':':
                emit(c);
                return;
            case u'~':
                emit(u'\u00A0');
                return;
            case u'_':
                emit(u'\u2011');
                return;
            case u'\'':
                hexByte();
                return;
            default:
                break;
        }
        pendingSkip_ = 0;
        // \* is read with the control word after it (controlWord).
        if (c == u'\r' || c == u'\n') {
            // A backslash before a line end is a paragraph mark.
            if (inText()) putParagraphMark();
        }
        // \- (optional hyphen), \| and unknown symbols leave nothing.
    }

    void hexByte() {
        const int high = p_ < end_ ? hexValue(p_[0]) : -1;
        if (high < 0) return;  // malformed: the escape alone is dropped
        const int low = end_ - p_ >= 2 ? hexValue(p_[1]) : -1;
        if (low < 0) return;
        p_ += 2;
        if (pendingSkip_ > 0) {
            --pendingSkip_;
            return;
        }
        if (!inText()) return;
        if (onlyWestern_) {  // the usual case: a Western byte, nothing waiting
            const char16_t c = fromCp1252(static_cast<unsigned char>(high * 16 + low));
            if (c != 0) put(c);
            return;
        }
        putByte(static_cast<unsigned char>(high * 16 + low));
    }

    // "{\*\word": the word names a destination, which a reader that does not know
    // the word skips. Anywhere else \* marks nothing.
    bool marksDestination(const char16_t* backslash) const {
        return groupStart_ != nullptr && backslash == groupStart_ + 2 && groupStart_[0] == u'\\' &&
               groupStart_[1] == u'*';
    }

    // The end of the ASCII letters from `p` on; eight characters at a time where
    // there are eight.
    const char16_t* skipLetters(const char16_t* p) const {
#if defined(__SSE2__)
        const __m128i caseBit = _mm_set1_epi16(0x20);
        const __m128i letterA = _mm_set1_epi16(static_cast<short>(u'a'));
        const __m128i minusOne = _mm_set1_epi16(-1);
        const __m128i alphabet = _mm_set1_epi16(26);
        while (end_ - p >= 8) {
            // (c | 0x20) - 'a' in 0..25; characters from U+8000 up are negative here.
            const __m128i offset =
                _mm_sub_epi16(_mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), caseBit), letterA);
            const __m128i letters = _mm_and_si128(_mm_cmpgt_epi16(offset, minusOne), _mm_cmplt_epi16(offset, alphabet));
            const auto mask = static_cast<unsigned>(_mm_movemask_epi8(letters));
            if (mask != 0xFFFFu) return p + __builtin_ctz(~mask) / 2;
            p += 8;
        }
#endif
        while (p < end_ && isAsciiLetter(*p)) ++p;
        return p;
    }

    void controlWord() {
        const char16_t* const backslash = p_;
        const char16_t* const nameStart = p_ + 1;
        const char16_t* p = skipLetters(nameStart + 1);  // the first letter is known
        const std::u16string_view name(nameStart, static_cast<size_t>(p - nameStart));

        bool negative = false;
        if (p < end_ && *p == u'-') {
            negative = true;
            ++p;
        }
        bool hasParameter = false;
        uint32_t magnitude = 0;  // wraps like the control's own 32-bit arithmetic
        while (p < end_ && isDigit(*p)) {
            magnitude = magnitude * 10u + static_cast<uint32_t>(*p - u'0');
            hasParameter = true;
            ++p;
        }
        if (p < end_ && *p == u' ') ++p;  // the delimiting space belongs to the word
        p_ = p;

        pendingSkip_ = 0;
        const ControlWord* word = findControlWord(name);
        if (word == nullptr) {
            if (marksDestination(backslash) && !isFormattingWord(name)) skipGroup();
            return;
        }
        const uint32_t bits = negative ? 0u - magnitude : magnitude;
        const auto parameter = static_cast<int32_t>(bits);
        apply(*word, hasParameter, parameter, bits);
    }

    void apply(const ControlWord& word, bool hasParameter, int32_t parameter, uint32_t bits) {
        switch (word.action) {
            case Action::Character:
                emit(word.character);
                break;
            case Action::Break:
                if (inText()) putParagraphMark();
                break;
            case Action::Skip:
                skipGroup();
                break;
            case Action::FontTable:
                if (!stack_.empty()) state().destination = Destination::FontTable;
                break;
            case Action::Font:
                if (stack_.empty() || !hasParameter) break;
                if (state().destination == Destination::FontTable) {
                    fontBeingDefined_ = parameter;
                } else {
                    state().font = parameter;
                }
                break;
            case Action::FontCharset:
                if (hasParameter) defineFontCodePage(codePageOfCharset(parameter));
                break;
            case Action::FontCodePage:
                if (hasParameter && parameter > 0) defineFontCodePage(static_cast<uint32_t>(parameter));
                break;
            case Action::DefaultFont:
                if (hasParameter) defaultFont_ = parameter;
                break;
            case Action::Plain:
                if (!stack_.empty()) state().font = -1;
                break;
            case Action::Unicode:
                if (!hasParameter) break;
                emit(static_cast<char16_t>(bits & 0xFFFFu));
                if (!stack_.empty()) pendingSkip_ = state().unicodeSkip;
                break;
            case Action::UnicodeSkip:
                if (hasParameter && !stack_.empty()) {
                    state().unicodeSkip = static_cast<uint16_t>(std::clamp(parameter, 0, 0xFFFF));
                }
                break;
            case Action::Binary:
                if (hasParameter && parameter > 0) {
                    p_ += std::min<size_t>(static_cast<uint32_t>(parameter), static_cast<size_t>(end_ - p_));
                }
                break;
            case Action::DocumentCodePage:
                documentCodePage_ = word.codePage;
                if (documentCodePage_ != kWesternCodePage) onlyWestern_ = false;
                break;
            case Action::AnsiCodePage:
                if (hasParameter && parameter > 0 && isSupportedCodePage(static_cast<uint32_t>(parameter))) {
                    documentCodePage_ = static_cast<uint32_t>(parameter);
                    if (documentCodePage_ != kWesternCodePage) onlyWestern_ = false;
                } else {
                    documentCodePage_ = kWesternCodePage;
                }
                break;
        }
    }

    // Skips the rest of the current group, nested groups included, without
    // keeping any state for them; the group's closing brace is consumed.
    void skipGroup() {
        if (stack_.empty()) return;
        size_t depth = 1;
        const char16_t* p = p_;
        while (p < end_) {
            const char16_t c = *p++;
            if (!isGroupMark(c)) continue;
            if (c == u'{') {
                ++depth;
            } else if (c == u'}') {
                if (--depth == 0) break;
            } else if (p < end_) {
                if (*p == u'b' && skipBinaryAt(p)) continue;
                ++p;  // an escaped brace or backslash is not a group mark
            }
        }
        p_ = p;
        if (depth == 0) {
            closeGroupAfterSkip();
        } else {
            stack_.clear();  // the input ended inside the skipped group
        }
    }

    void closeGroupAfterSkip() {
        pendingSkip_ = 0;
        stack_.pop_back();
        if (stack_.empty()) p_ = end_;  // the document itself has ended
    }

    // Inside a skipped group, "\binN" hides N bytes that may contain braces.
    // `at` is just after the backslash, and is moved past the data when it is.
    bool skipBinaryAt(const char16_t*& at) const {
        if (end_ - at < 3 || std::u16string_view(at, 3) != u"bin") return false;
        const char16_t* p = at + 3;
        if (p < end_ && *p == u'-') return false;
        uint32_t count = 0;
        bool digits = false;
        while (p < end_ && isDigit(*p)) {
            count = count * 10u + static_cast<uint32_t>(*p - u'0');
            digits = true;
            ++p;
        }
        if (!digits || (p < end_ && isAsciiLetter(*p))) return false;
        if (p < end_ && *p == u' ') ++p;
        at = p + std::min<size_t>(count, static_cast<size_t>(end_ - p));
        return true;
    }

    void defineFontCodePage(uint32_t codePage) {
        if (stack_.empty() || state().destination != Destination::FontTable || fontBeingDefined_ < 0) return;
        // A later definition of the same font wins; the lookup keeps the last one.
        fontCodePages_.push_back({fontBeingDefined_, codePage});
        if (codePage != 0 && codePage != kWesternCodePage) onlyWestern_ = false;
        fontsSorted_ = false;
        cachedFont_ = kNoFont;
    }

    // The code page of the text at hand; without a look at the font while every
    // page the document names is the Western one, as in nearly every memo.
    uint32_t textCodePage() { return onlyWestern_ ? kWesternCodePage : currentCodePage(); }

    uint32_t currentCodePage() {
        const int32_t font = stack_.empty() || state().font < 0 ? defaultFont_ : state().font;
        if (font != cachedFont_ || documentCodePage_ != cachedDocumentCodePage_) {
            cachedFont_ = font;
            cachedDocumentCodePage_ = documentCodePage_;
            cachedCodePage_ = documentCodePage_;
            if (const uint32_t fontPage = codePageOfFont(font); fontPage != 0) {
                cachedCodePage_ = isSupportedCodePage(fontPage) ? fontPage : kWesternCodePage;
            }
        }
        return cachedCodePage_;
    }

    uint32_t codePageOfFont(int32_t font) {
        if (fontCodePages_.empty()) return 0;
        if (!fontsSorted_) {
            sortFonts();
            fontsSorted_ = true;
        }
        auto it = std::upper_bound(fontCodePages_.begin(), fontCodePages_.end(), font,
                                   [](int32_t f, const FontCodePage& e) { return f < e.font; });
        if (it == fontCodePages_.begin() || std::prev(it)->font != font) return 0;
        return std::prev(it)->codePage;
    }

    // By font number, definitions of one font in the order they were read. A
    // font table is short: an insertion sort does, without a buffer.
    void sortFonts() {
        const auto byFont = [](const FontCodePage& a, const FontCodePage& b) { return a.font < b.font; };
        if (fontCodePages_.size() > kFewFonts) {
            std::stable_sort(fontCodePages_.begin(), fontCodePages_.end(), byFont);
            return;
        }
        FontCodePage* const first = fontCodePages_.begin();
        FontCodePage* const last = fontCodePages_.end();
        for (FontCodePage* i = first + (first != last ? 1 : 0); i < last; ++i) {
            const FontCodePage entry = *i;
            FontCodePage* j = i;
            for (; j != first && byFont(entry, *(j - 1)); --j) *j = *(j - 1);
            *j = entry;
        }
    }

    static constexpr int32_t kNoFont = INT32_MIN;
    static constexpr size_t kFewFonts = 16;

    const char16_t* p_;
    const char16_t* const end_;
    std::u16string& out_;
    const size_t base_;
    char16_t* w_ = nullptr;
    SmallStack<GroupState, 32> stack_;
    const char16_t* groupStart_ = nullptr;  // just after the last opening brace
    ByteDecoder decoder_;
    uint32_t pendingSkip_ = 0;  // \u fallback characters still to skip
    uint32_t documentCodePage_ = kWesternCodePage;
    bool onlyWestern_ = true;  // no page but the Western one named so far
    int32_t defaultFont_ = 0;
    int32_t fontBeingDefined_ = -1;
    SmallStack<FontCodePage, kFewFonts> fontCodePages_;
    bool fontsSorted_ = true;
    int32_t cachedFont_ = kNoFont;
    uint32_t cachedDocumentCodePage_ = 0;
    uint32_t cachedCodePage_ = kWesternCodePage;
};

}  // namespace

bool isRichText(std::u16string_view value) {
    // Character by character: asked of every memo, most of them short.
    const auto opensWith = [value](std::u16string_view start) {
        if (value.size() < start.size()) return false;
        for (size_t i = 0; i < start.size(); ++i) {
            if (value[i] != start[i]) return false;
        }
        return true;
    };
    return opensWith(u"{\\rtf") || opensWith(u"{\\urtf");
}

void appendRichText(std::u16string_view document, std::u16string& out) {
    Reader(document, out).run();
}

void appendPlainValue(std::u16string_view value, std::u16string& out) {
    // One pass that stops at the first NUL; the look-ahead below never reaches past
    // it, as the characters it matches are not NUL.
    const char16_t* const p = value.data();
    const size_t n = value.size();
    size_t i = 0;
    size_t runStart = 0;
    while (i < n) {
        const char16_t c = p[i];
        if (c > u'\r' || (c != 0 && c != u'\r' && c != u'\n')) {
            ++i;
            continue;
        }
        out.append(p + runStart, i - runStart);
        if (c == 0) return;
        if (c == u'\r' && i + 2 < n && p[i + 1] == u'\r' && p[i + 2] == u'\n') {
            out.push_back(u' ');
            i += 3;
        } else if (c == u'\r' && i + 1 < n && p[i + 1] == u'\n') {
            out.append(kParagraphMark);
            i += 2;
        } else {
            out.append(kParagraphMark);
            i += 1;
        }
        runStart = i;
    }
    out.append(p + runStart, n - runStart);
}

}  // namespace scandrel::search::rtf
