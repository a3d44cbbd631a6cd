#include "search/plain_value.h"

namespace scandrel::search {

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

}  // namespace scandrel::search
