#pragma once
// Long documents of the shapes that would expose a path quadratic in a
// document's length, with the text the last one gives. Used by the rich-text
// reader's test and by bench/rtf_bench, which times them.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/utf.h"

namespace scandrel::search::rtf::testing {

inline std::u16string repeat(std::u16string_view s, size_t n) {
    std::u16string out;
    out.reserve(s.size() * n);
    for (size_t i = 0; i < n; ++i) out += s;
    return out;
}

struct LongDocument {
    const char* shape;
    std::u16string rtf;
};

inline constexpr size_t kLongDocumentCount = 200000;

// The last document's text: one character for each 997th of its fonts.
inline std::u16string lastLongDocumentText() { return repeat(u"\u0410", (kLongDocumentCount + 996) / 997); }

inline std::vector<LongDocument> longDocuments() {
    constexpr size_t kCount = kLongDocumentCount;
    std::u16string fonts = u"{\\rtf1{\\fonttbl";
    for (size_t i = kCount; i > 0; --i) fonts += u"{\\f" + fromUtf8(std::to_string(i)) + u"\\fcharset204 A;}";
    fonts += u"}";
    for (size_t i = 1; i <= kCount; i += 997) fonts += u"\\f" + fromUtf8(std::to_string(i)) + u" \\'c0";
    fonts += u"}";
    std::vector<LongDocument> documents;
    documents.push_back({"short groups", u"{\\rtf1 " + repeat(u"{\\b w\\'e9rd\\u233?\\par}", kCount) + u"}"});
    documents.push_back({"deep nesting", u"{\\rtf1 " + repeat(u"{", kCount) + repeat(u"}", kCount) + u"}"});
    documents.push_back({"long \\u fallbacks", u"{\\rtf1\\uc60000 " + repeat(u"\\u233 abc", kCount) + u"}"});
    documents.push_back({"hidden groups", u"{\\rtf1 " + repeat(u"{\\*\\x a}", kCount) + u"}"});
    documents.push_back({"double-byte text", u"{\\rtf1\\ansicpg932 " + repeat(u"\\'82\\'a0\\'83e ", kCount) + u"}"});
    documents.push_back({"unknown words", u"{\\rtf1 " + repeat(u"\\abcdefghijklmnopqrstuvwxyz ", kCount) + u"}"});
    documents.push_back({"long font table", fonts});
    return documents;
}

}  // namespace scandrel::search::rtf::testing
