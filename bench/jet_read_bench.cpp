// Reading speed of the Jet reader against the reference reader (mdbtools).
//
//   jet_read_bench [FILE.mdb ...]
//
// For each file (the largest shared sample, a generated 50,000-row table, and any
// file given) it reads every value of every table with our engine in-process,
// then times `mdb-export` of the same tables to /dev/null, and `scandrel export`
// likewise (process against process). Prints the times and the ratios
// mdbtools / ours; the goal is at least 3.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace fs = std::filesystem;
using namespace scandrel;
using namespace scandrel::bench;

namespace {

struct Timing {
    double ours = 0, mdbtools = 0, cli = 0;
    size_t values = 0;
};

Timing measure(const fs::path& file) {
    Timing t;
    const db::Database probe = db::Database::open(file);
    const std::vector<std::u16string> tables = probe.tableNames();

    // Repeat enough to get past the timer's resolution on small files.
    const int repeats = 5;
    t.ours = bestOf(repeats, [&] {
        const db::Database database = db::Database::open(file);
        t.values = 0;
        for (const std::u16string& table : tables) t.values += readTable(database, table);
    });
    t.mdbtools = bestOf(3, [&] {
        for (const std::u16string& table : tables)
            if (runQuietly({"mdb-export", "-T", "%Y-%m-%d %H:%M:%S", "-b", "hex", file.string(),
                            toUtf8(table)}) != 0)
                std::fprintf(stderr, "mdb-export failed on %s\n", toUtf8(table).c_str());
    });
    t.cli = bestOf(3, [&] {
        for (const std::u16string& table : tables)
            if (runQuietly({SCANDREL_CLI, "export", file.string(), toUtf8(table)}) != 0)
                std::fprintf(stderr, "scandrel export failed on %s\n", toUtf8(table).c_str());
    });
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<fs::path> files;
    const fs::path largest = fs::path(SCANDREL_SHARED_DIR) / "data" / "jet" / "testV2000.mdb";
    if (fs::exists(largest))
        files.push_back(largest);
    else
        std::printf("(shared sample %s is absent)\n", largest.string().c_str());

    TempFile generated("jet_read_bench.mdb");
    std::printf("writing a 50,000-row table to %s ...\n", generated.path().string().c_str());
    writeLargeTable(generated.path(), 50000);
    files.push_back(generated.path());
    for (int i = 1; i < argc; ++i) files.emplace_back(argv[i]);

    if (runQuietly({"mdb-export", "--version"}) != 0) {
        std::printf("mdb-export is not installed: nothing to compare with\n");
        return 1;
    }

    bool allMet = true;
    std::printf("\n%-28s %10s %12s %12s %12s %9s %9s\n", "file", "values", "ours (s)",
                "mdb-export", "scandrel", "ratio", "ratio cli");
    for (const fs::path& file : files) {
        try {
            const Timing t = measure(file);
            const double ratio = t.mdbtools / t.ours;
            const double ratioCli = t.mdbtools / t.cli;
            std::printf("%-28s %10zu %12.6f %12.6f %12.6f %8.1fx %8.1fx\n",
                        file.filename().string().c_str(), t.values, t.ours, t.mdbtools, t.cli,
                        ratio, ratioCli);
            if (ratio < 3.0) allMet = false;
        } catch (const Error& e) {
            std::printf("%-28s error %d: %s\n", file.filename().string().c_str(), e.number(),
                        toUtf8(e.description()).c_str());
            allMet = false;
        }
    }
    std::printf("\nratio = mdb-export time / our in-process read (goal >= 3x); "
                "ratio cli = mdb-export / `scandrel export`, both as processes.\n%s\n",
                allMet ? "goal met" : "GOAL NOT MET");
    return allMet ? 0 : 1;
}
