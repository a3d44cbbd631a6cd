#pragma once
// Texts as a database file stores them, gathered by the thread that reads the file
// and made UTF-16 later, on whichever thread uses them: the reading thread only
// copies their bytes. The search's memos go this way from its reader to its converter.
// A StoredTexts is used by one thread at a time, and handed over whole.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scandrel::db {

// How a text's bytes are stored.
enum class TextForm : uint8_t {
    Utf16,   // UTF-16 code units in this machine's order: a text its source gave as text
    Jet4,    // Jet 4 and later: UCS-2 little-endian, or compressed (see appendJet4Text)
    Cp1252,  // Jet 3: one byte per character in code page 1252
};

// UCS-2 little-endian, appended to `out`; an odd last byte is dropped.
void appendUcs2Text(const uint8_t* bytes, size_t size, std::u16string& out);
// Jet 4 and later: UCS-2 little-endian, or the compressed form that starts with 0xFF
// 0xFE, where single bytes stand for characters below U+0100 and a zero byte switches
// between one and two bytes per character. Appended to `out`; an odd last byte is dropped.
void appendJet4Text(const uint8_t* bytes, size_t size, std::u16string& out);
// Jet 3: one byte per character in code page 1252, appended to `out`.
void appendCp1252Text(const uint8_t* bytes, size_t size, std::u16string& out);

class StoredTexts {
public:
    size_t size() const { return texts_.size(); }
    // A text of `size` bytes stored in `form`.
    void append(TextForm form, const uint8_t* bytes, size_t size);
    // A text the source has as text already.
    void append(std::u16string_view text);
    // A text whose bytes `fill(bytes)` appends to the vector it is given.
    template <class Fill>
    void appendFilled(TextForm form, Fill&& fill) {
        const size_t from = bytes_.size();
        try {
            fill(bytes_);
        } catch (...) {
            bytes_.resize(from);  // a fill that failed leaves nothing behind
            throw;
        }
        texts_.push_back(Text{form, bytes_.size()});
    }
    // Text `i` made UTF-16, appended to `out`.
    void appendTo(size_t i, std::u16string& out) const;
    // The texts after the first `count` are let go (a read tried again).
    void keepFirst(size_t count);
    void clear();

private:
    struct Text {
        TextForm form;
        size_t end;  // in bytes_
    };
    std::vector<uint8_t> bytes_;  // every text's bytes, one after another
    std::vector<Text> texts_;
};

}  // namespace scandrel::db
