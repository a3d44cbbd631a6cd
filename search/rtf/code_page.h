#pragma once
// Code pages for the bytes a rich-text document writes, as \'hh or as characters
// of the memo: single-byte pages, the double-byte pages of East Asia (932, 936,
// 949, 950) and UTF-8; the decoder that turns the bytes into characters, and the
// code pages of a document's fonts. Tables are constant; a decoder and a font list
// belong to one reader, on its thread.
#include <climits>
#include <cstddef>
#include <cstdint>

#include "search/rtf/small_stack.h"

namespace scandrel::search::rtf {

inline constexpr uint32_t kWesternCodePage = 1252;
inline constexpr uint32_t kUtf8CodePage = 65001;
// Symbol fonts: bytes from 0x80 up stand for the private-use characters
// U+F080-U+F0FF; bytes below are the ASCII characters.
inline constexpr uint32_t kSymbolCodePage = 42;

// True when bytes of the code page can be decoded here; callers fall back to the
// Western page for any other number.
bool isSupportedCodePage(uint32_t codePage);

// The code page of a font's character set (\fcharsetN), or 0 when the set means
// "the document's own code page" (default and unknown sets).
uint32_t codePageOfCharset(int32_t charset);

// The byte that stands for a character of the Western page, or -1 when the page
// has no byte for it.
int westernByteOf(char16_t c);

struct DoubleByteTable;

// Turns a stream of bytes into characters, one byte at a time: a byte that
// begins a character of several bytes waits for the rest. A byte of another code
// page than the waiting one's ends the waiting character first.
class ByteDecoder {
public:
    static constexpr size_t kMaxOutput = 3;  // characters one call can write

    // Writes the characters the byte completes to `out` and returns how many.
    size_t put(uint32_t codePage, unsigned char byte, char16_t* out) {
        // A single-byte page, the usual case, never has a byte waiting.
        if (codePage == codePage_ && singleBytes_ != nullptr) {
            out[0] = byte < 0x80 ? byte : singleBytes_[byte - 0x80u];
            return 1;
        }
        return putAfterSelecting(codePage, byte, out);
    }

    // Ends a waiting incomplete character: a lone lead byte becomes its page's
    // default character, a cut UTF-8 sequence U+FFFD. Returns how many were written.
    size_t finish(char16_t* out);

    bool waiting() const { return count_ != 0; }

private:
    void select(uint32_t codePage);
    size_t putAfterSelecting(uint32_t codePage, unsigned char byte, char16_t* out);
    size_t putUtf8(unsigned char byte, char16_t* out);
    size_t putDoubleByte(unsigned char byte, char16_t* out);

    uint32_t codePage_ = kWesternCodePage;
    bool selected_ = false;
    const char16_t* singleBytes_ = nullptr;   // bytes 0x80-0xFF of a single-byte page
    const DoubleByteTable* doubleBytes_ = nullptr;
    uint32_t utf8Value_ = 0;
    uint8_t count_ = 0;   // bytes waiting
    uint8_t needed_ = 0;  // UTF-8: bytes the sequence takes in all
    unsigned char lead_ = 0;
};

// The code pages of a document's fonts, as its font table gives them (\fN with
// \fcharsetN or \cpgN), and the page the text in a font is read in. Kept for
// lookups while the text goes on in one font: the page is found again only when the
// font or the document's page changes.
class FontCodePages {
public:
    FontCodePages() = default;
    FontCodePages(const FontCodePages&) = delete;
    FontCodePages& operator=(const FontCodePages&) = delete;

    // Font `font` is written in `codePage` (0: the document's own page). A later
    // definition of the same font wins.
    void define(int32_t font, uint32_t codePage);

    // The page of text in `font` in a document whose own page is `documentCodePage`:
    // the font's page, or the Western one when that page can't be decoded here; the
    // document's for a font without a page of its own.
    uint32_t textCodePage(int32_t font, uint32_t documentCodePage) {
        if (font != cachedFont_ || documentCodePage != cachedDocumentCodePage_) lookUp(font, documentCodePage);
        return cachedCodePage_;
    }

private:
    struct Entry {
        int32_t font;
        uint32_t codePage;  // 0: the document's code page
    };
    static constexpr int32_t kNoFont = INT32_MIN;
    static constexpr size_t kFewFonts = 16;

    void lookUp(int32_t font, uint32_t documentCodePage);
    uint32_t codePageOfFont(int32_t font);
    void sortFonts();

    SmallStack<Entry, kFewFonts> fonts_;
    bool sorted_ = true;
    int32_t cachedFont_ = kNoFont;
    uint32_t cachedDocumentCodePage_ = 0;
    uint32_t cachedCodePage_ = kWesternCodePage;
};

}  // namespace scandrel::search::rtf
