#include "text/lower_case.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace scandrel::text {
namespace {

// Code units first, first + stride, ... up to last lower-case to unit + delta.
struct LowerCaseRun {
    char16_t first;
    char16_t last;
    int32_t delta;
    uint8_t stride;
};

constexpr LowerCaseRun kRuns[] = {
#include "text/lower_case_table.inc"
};

constexpr bool runsAreSorted() {
    for (std::size_t i = 1; i < std::size(kRuns); ++i) {
        if (kRuns[i - 1].last >= kRuns[i].first) return false;
    }
    return true;
}
static_assert(runsAreSorted(), "lower-case runs must be sorted and disjoint");

}  // namespace

char16_t toLowerByTable(char16_t c) noexcept {
    // The first run whose last unit is not below c is the only one that can hold it.
    const auto* run = std::lower_bound(std::begin(kRuns), std::end(kRuns), c,
                                       [](const LowerCaseRun& r, char16_t u) { return r.last < u; });
    if (run == std::end(kRuns) || c < run->first) return c;
    if ((c - run->first) % run->stride != 0) return c;
    return static_cast<char16_t>(c + run->delta);
}

std::u16string toLower(std::u16string_view s) {
    std::u16string out(s);
    toLowerInPlace(out);
    return out;
}

void toLowerInPlace(std::u16string& text) {
    // Texts are nearly all ASCII: blocks without any other character take a loop
    // simple enough for the compiler to do several characters at once.
    constexpr std::size_t kBlock = 32;
    char16_t* const p = text.data();
    const std::size_t n = text.size();
    for (std::size_t start = 0; start < n; start += kBlock) {
        const std::size_t end = std::min(n, start + kBlock);
        char16_t seen = 0;
        for (std::size_t i = start; i < end; ++i) seen = static_cast<char16_t>(seen | p[i]);
        if (seen < 0x80) {
            for (std::size_t i = start; i < end; ++i) {
                const bool upper = static_cast<char16_t>(p[i] - u'A') < 26;
                p[i] = static_cast<char16_t>(p[i] + (upper ? 0x20 : 0));
            }
        } else {
            for (std::size_t i = start; i < end; ++i) p[i] = toLower(p[i]);
        }
    }
}

}  // namespace scandrel::text
