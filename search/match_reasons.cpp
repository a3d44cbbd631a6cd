#include "search/match_reasons.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "text/normalize.h"
#include "text/utf.h"

namespace scandrel::search {
namespace {

// Occurrences of a word looked at for the best one to show, at most.
constexpr size_t kMaxOccurrences = 256;
// Characters of a longer word shown around the found one, at most.
constexpr size_t kLongerWord = 32;

constexpr std::u16string_view kCut = u"…";
constexpr std::u16string_view kJoin = u" | ";

bool isWordCharacter(char16_t c) {
    if (c >= u'0' && c <= u'9') return true;
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) return true;
    return c >= 0xC0 && c != 0xD7 && c != 0xF7;
}

bool isBlank(char16_t c) { return c <= u' '; }

// A stretch of the text for one line: control characters and runs of spaces as one
// space.
std::u16string oneLine(std::u16string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (const char16_t c : s) {
        if (isBlank(c)) {
            if (out.empty() || out.back() != u' ') out += u' ';
        } else {
            out += c;
        }
    }
    return out;
}

// One occurrence of a word, placed in the text as written.
struct Occurrence {
    size_t from = 0;  // [from, to) of the text as written
    size_t to = 0;
    size_t first = 0;  // index of the values that hold its first and last characters
    size_t last = 0;
    bool whole = false;
};

class Finder {
public:
    explicit Finder(const SourcedText& text)
        : text_(text), raw_(text.text), at_(text::normalizedPositions(text.text)), lower_(text.text) {
        text::normalizeLowerCaseInPlace(lower_);
    }

    bool usable() const { return lower_.size() + 1 == at_.size(); }

    std::optional<FoundWord> find(const std::u16string& word) const {
        std::optional<Occurrence> best;
        int bestScore = -1;
        size_t tries = 0;
        for (size_t pos = lower_.find(word); pos != std::u16string::npos && tries < kMaxOccurrences;
             pos = lower_.find(word, pos + 1), ++tries) {
            const std::optional<Occurrence> o = place(pos, word.size());
            if (!o) continue;
            const int score = o->first != o->last ? 0 : o->whole ? 2 : 1;
            if (score > bestScore) {
                best = o;
                bestScore = score;
                if (score == 2) break;
            }
        }
        if (!best) return std::nullopt;
        return describe(word, *best);
    }

private:
    std::optional<Occurrence> place(size_t pos, size_t length) const {
        Occurrence o;
        o.from = at_[pos];
        o.to = at_[pos + length - 1] + 1;
        const SourceStretch* first = text_.valueAt(o.from);
        const SourceStretch* last = text_.valueAt(o.to - 1);
        if (first == nullptr || last == nullptr) return std::nullopt;
        o.first = static_cast<size_t>(first - text_.values.data());
        o.last = static_cast<size_t>(last - text_.values.data());
        // A value's own ends count as word ends: values are joined without spaces.
        o.whole = (o.from == first->from || !isWordCharacter(raw_[o.from - 1])) &&
                  (o.to == last->to || !isWordCharacter(raw_[o.to]));
        return o;
    }

    FoundWord describe(const std::u16string& word, const Occurrence& o) const {
        const SourceStretch& first = text_.values[o.first];
        const SourceStretch& last = text_.values[o.last];
        FoundWord found;
        found.word = word;
        found.source = sourceLabel(text_.sources[first.source]);
        found.acrossValues = o.first != o.last;

        // Context within the values the word touches, cut at a space where it is cut.
        size_t left = o.from - std::min(o.from - first.from, kExcerptContext);
        const bool cutLeft = left > first.from;
        if (cutLeft) {
            for (size_t i = left; i < o.from; ++i) {
                if (isBlank(raw_[i])) {
                    left = i + 1;
                    break;
                }
            }
        }
        size_t right = o.to + std::min(last.to - o.to, kExcerptContext);
        const bool cutRight = right < last.to;
        if (cutRight) {
            for (size_t i = right; i > o.to; --i) {
                if (isBlank(raw_[i - 1])) {
                    right = i - 1;
                    break;
                }
            }
        }

        // The word as written, with the joins between values shown.
        std::u16string marked;
        size_t copied = o.from;
        for (size_t v = o.first + 1; v <= o.last; ++v) {
            const SourceStretch& next = text_.values[v];
            if (next.from == next.to || next.from <= copied) continue;
            marked += oneLine(std::u16string_view(raw_).substr(copied, next.from - copied));
            marked += kJoin;
            copied = next.from;
        }
        marked += oneLine(std::u16string_view(raw_).substr(copied, o.to - copied));
        if (marked.size() > kExcerptWord) {
            marked.resize(kExcerptWord - 1);
            marked += kCut;
        }

        std::u16string before = oneLine(std::u16string_view(raw_).substr(left, o.from - left));
        if (!before.empty() && before.front() == u' ') before.erase(0, 1);
        std::u16string after = oneLine(std::u16string_view(raw_).substr(o.to, right - o.to));
        if (!after.empty() && after.back() == u' ') after.pop_back();
        if (cutLeft) found.excerpt += kCut;
        found.excerpt += before;
        found.excerpt += u'[';
        found.excerpt += marked;
        found.excerpt += u']';
        found.excerpt += after;
        if (cutRight) found.excerpt += kCut;

        if (!o.whole && !found.acrossValues) {
            size_t start = o.from;
            while (start > first.from && isWordCharacter(raw_[start - 1])) --start;
            size_t end = o.to;
            while (end < last.to && isWordCharacter(raw_[end])) ++end;
            found.longerWord = raw_.substr(start, std::min(end - start, kLongerWord));
            if (end - start > kLongerWord) found.longerWord += kCut;
        }
        return found;
    }

    const SourcedText& text_;
    const std::u16string& raw_;
    std::vector<size_t> at_;
    std::u16string lower_;
};

}  // namespace

std::vector<FoundWord> findWords(const SourcedText& text, const std::vector<std::u16string>& words) {
    std::vector<FoundWord> found;
    const Finder finder(text);
    if (!finder.usable()) return found;
    std::vector<std::u16string_view> done;
    for (const std::u16string& word : words) {
        if (word.empty() || std::find(done.begin(), done.end(), word) != done.end()) continue;
        done.push_back(word);
        if (auto one = finder.find(word)) found.push_back(std::move(*one));
    }
    return found;
}

std::u16string reasonLine(const FoundWord& found) {
    std::u16string line = found.word.size() > kExcerptWord
                              ? found.word.substr(0, kExcerptWord - 1) + std::u16string(kCut)
                              : found.word;
    line += u" — " + found.source + u": «" + found.excerpt + u"»";
    if (found.acrossValues) {
        line += u" (entre dois campos)";
    } else if (!found.longerWord.empty()) {
        line += u" (parte de «" + found.longerWord + u"»)";
    }
    return line;
}

std::vector<std::u16string> reasonLines(const std::vector<FoundWord>& found) {
    std::vector<std::u16string> lines;
    const bool all = found.size() <= kMaxReasonLines;
    const size_t shown = all ? found.size() : kMaxReasonLines - 1;
    for (size_t i = 0; i < shown; ++i) lines.push_back(reasonLine(found[i]));
    if (!all) {
        lines.push_back(u"… e mais " + fromUtf8(std::to_string(found.size() - shown)) + u" palavras");
    }
    return lines;
}

}  // namespace scandrel::search
