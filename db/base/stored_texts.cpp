#include "db/base/stored_texts.h"

#include <cassert>
#include <cstring>

#include "text/utf.h"

namespace scandrel::db {
void appendUcs2Text(const uint8_t* p, size_t n, std::u16string& out) {
    const size_t base = out.size();
    out.resize(base + n / 2);
    char16_t* w = out.data() + base;
    for (size_t i = 0; i + 1 < n; i += 2) *w++ = static_cast<char16_t>(p[i] | (p[i + 1] << 8));
}

void appendJet4Text(const uint8_t* p, size_t n, std::u16string& out) {
    if (n < 2 || p[0] != 0xFF || p[1] != 0xFE) return appendUcs2Text(p, n, out);
    const size_t base = out.size();
    // Never more characters than bytes: sized once, trimmed at the end.
    out.resize(base + n);
    char16_t* const first = out.data();
    char16_t* w = first + base;
    size_t i = 2;
    while (i < n) {
        // A run in one mode lasts up to the next zero byte.
        const void* zero = std::memchr(p + i, 0, n - i);
        const size_t runEnd = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : n;
        for (; i < runEnd; ++i) *w++ = static_cast<char16_t>(p[i]);
        if (i >= n) break;
        // The zero switches to two bytes per character. A pair may hold a zero byte
        // itself, so the run ends at the first pair whose first byte is zero.
        ++i;
        while (i < n && p[i] != 0) {
            if (i + 1 >= n) {
                i = n;  // an odd byte at the end is dropped
                break;
            }
            *w++ = static_cast<char16_t>(p[i] | (p[i + 1] << 8));
            i += 2;
        }
        if (i < n) ++i;  // the zero that switches back to one byte per character
    }
    out.resize(static_cast<size_t>(w - first));
}

void appendCp1252Text(const uint8_t* bytes, size_t size, std::u16string& out) {
    const size_t at = out.size();
    out.resize(at + size);
    for (size_t k = 0; k < size; ++k) out[at + k] = fromCp1252(bytes[k]);
}

void StoredTexts::append(TextForm form, const uint8_t* bytes, size_t size) {
    bytes_.insert(bytes_.end(), bytes, bytes + size);
    texts_.push_back(Text{form, bytes_.size()});
}

void StoredTexts::append(std::u16string_view text) {
    const size_t at = bytes_.size();
    bytes_.resize(at + text.size() * sizeof(char16_t));
    std::memcpy(bytes_.data() + at, text.data(), text.size() * sizeof(char16_t));
    texts_.push_back(Text{TextForm::Utf16, bytes_.size()});
}

void StoredTexts::appendTo(size_t i, std::u16string& out) const {
    assert(i < texts_.size());
    const size_t from = i == 0 ? 0 : texts_[i - 1].end;
    const uint8_t* bytes = bytes_.data() + from;
    const size_t size = texts_[i].end - from;
    switch (texts_[i].form) {
        case TextForm::Utf16: {
            const size_t at = out.size();
            out.resize(at + size / sizeof(char16_t));
            std::memcpy(out.data() + at, bytes, size);
            break;
        }
        case TextForm::Jet4: appendJet4Text(bytes, size, out); break;
        case TextForm::Cp1252: appendCp1252Text(bytes, size, out); break;
    }
}

void StoredTexts::keepFirst(size_t count) {
    if (count >= texts_.size()) return;
    texts_.resize(count);
    bytes_.resize(count == 0 ? 0 : texts_.back().end);
}

void StoredTexts::clear() {
    bytes_.clear();
    texts_.clear();
}

}  // namespace scandrel::db
