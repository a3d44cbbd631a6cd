#include "search/rtf/rtf_to_text.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "search/rtf/code_page.h"
#include "search/rtf/control_words.h"
#include "search/rtf/small_stack.h"
#include "search/rtf/text_scan.h"
#include "text/utf.h"

namespace scandrel::search::rtf {

namespace {

bool isDigit(char16_t c) { return static_cast<unsigned>(c - u'0') < 10u; }

// What a character means where text may stand. Anything not ASCII is text.
enum class Lead : uint8_t { Text, OpenBrace, CloseBrace, Backslash, Ignored };

constexpr std::array<Lead, 128> leads() {
    std::array<Lead, 128> table{};
    // What ends a run of text and is not a brace or a backslash: line ends and NUL.
    for (size_t c = 0; c < table.size(); ++c) table[c] = kRunEnds[c] ? Lead::Ignored : Lead::Text;
    table[u'{'] = Lead::OpenBrace;
    table[u'}'] = Lead::CloseBrace;
    table[u'\\'] = Lead::Backslash;
    return table;
}
constexpr std::array<Lead, 128> kLeads = leads();

Lead leadOf(char16_t c) { return c < kLeads.size() ? kLeads[c] : Lead::Text; }

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
            scan::copyTextRun(p, end_, w);
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

    void controlWord() {
        const char16_t* const backslash = p_;
        const char16_t* const nameStart = p_ + 1;
        const char16_t* p = scan::skipLetters(nameStart + 1, end_);  // the first letter is known
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
        fontCodePages_.define(fontBeingDefined_, codePage);
        if (codePage != 0 && codePage != kWesternCodePage) onlyWestern_ = false;
    }

    // The code page of the text at hand; without a look at the font while every
    // page the document names is the Western one, as in nearly every memo.
    uint32_t textCodePage() { return onlyWestern_ ? kWesternCodePage : currentCodePage(); }

    uint32_t currentCodePage() {
        const int32_t font = stack_.empty() || state().font < 0 ? defaultFont_ : state().font;
        return fontCodePages_.textCodePage(font, documentCodePage_);
    }

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
    FontCodePages fontCodePages_;
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

}  // namespace scandrel::search::rtf
