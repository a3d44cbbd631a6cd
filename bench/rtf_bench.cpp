// The rich-text converter: its speed on memos as the demo clinic writes them and
// on documents from the test corpus, in MB of rich text a second (one byte a
// character, as the memo's file would hold it); and the long documents of every
// shape that a path quadratic in the length would make slow, each within a limit.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "demo/rng.h"
#include "demo/rtf_memo.h"
#include "search/rtf/rtf_to_text.h"
#include "testing/rtf_long_documents.h"

namespace {

using scandrel::bench::bestOf;
using scandrel::bench::Clock;
using scandrel::bench::secondsSince;
namespace demo = scandrel::demo;
namespace rtf = scandrel::search::rtf;

// Whole-document conversion of every memo, best of `repeats`, in MB/s.
double megabytesPerSecond(const std::vector<std::u16string>& memos, int repeats) {
    size_t characters = 0;
    for (const auto& memo : memos) characters += memo.size();
    std::u16string out;
    const double seconds = bestOf(repeats, [&] {
        for (const auto& memo : memos) {
            out.clear();
            rtf::appendRichText(memo, out);
            benchmark::DoNotOptimize(out.data());
        }
    });
    return static_cast<double>(characters) / 1e6 / seconds;
}

std::vector<std::u16string> demoMemos() {
    demo::Rng rng(5);
    std::vector<std::u16string> memos;
    for (int i = 0; i < 4000; ++i) {
        std::vector<std::u16string> paragraphs;
        for (int p = rng.between(1, 4); p > 0; --p) paragraphs.push_back(demo::makeClinicalSentences(rng, rng.between(1, 5)));
        memos.push_back(demo::makeRtfMemo(rng, paragraphs));
    }
    return memos;
}

std::vector<std::u16string> corpusDocuments() {
    std::vector<std::u16string> documents;
    const std::filesystem::path dir = std::filesystem::path(SCANDREL_SOURCE_DIR) / "search/tests/rtf_corpus";
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".rtf") continue;
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), {});
        // Each document a few hundred times over: the set is small.
        for (int i = 0; i < 300; ++i) documents.emplace_back(bytes.begin(), bytes.end());
    }
    return documents;
}

}  // namespace

int main() {
    constexpr int kRepeats = 7;
    const std::vector<std::u16string> memos = demoMemos();
    std::printf("demo clinic memos (%zu):    %7.1f MB/s (best of %d)\n", memos.size(),
                megabytesPerSecond(memos, kRepeats), kRepeats);
    const std::vector<std::u16string> corpus = corpusDocuments();
    std::printf("corpus documents (%zu):    %7.1f MB/s (best of %d)\n", corpus.size(),
                megabytesPerSecond(corpus, kRepeats), kRepeats);

    // Each shape takes milliseconds when the path is linear, and minutes when not.
    constexpr double kLimitSeconds = 2.0;
    bool allWithin = true;
    std::u16string out;
    for (const auto& document : rtf::testing::longDocuments()) {
        const auto start = Clock::now();
        out.clear();
        rtf::appendRichText(document.rtf, out);
        const double seconds = secondsSince(start);
        const bool within = seconds < kLimitSeconds;
        allWithin = allWithin && within;
        std::printf("long document, %-18s %8.3f s %s\n", (std::string(document.shape) + ":").c_str(), seconds,
                    within ? "" : "(over the limit: a path quadratic in the length?)");
    }
    if (!allWithin) return 1;
    return 0;
}
