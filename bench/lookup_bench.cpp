// A thousand `WHERE column = N` lookups on a 100,000-row table, the first
// included (it builds whatever the engine keeps for lookups). Goal: well under
// a second. Prints the times; exits non-zero when a second is exceeded or a
// lookup finds the wrong rows.
#include <cstdio>
#include <string>

#include "bench/bench_support.h"

using namespace scandrel;
using namespace scandrel::bench;

namespace {

constexpr int kRows = 100000;
constexpr int kLookups = 1000;

// Runs the lookups on one column; returns seconds, and the rows found in `found`.
double lookups(const db::Database& database, const std::u16string& column, int modulo,
               size_t& found, double& first) {
    uint32_t state = 777;
    found = 0;
    const auto start = Clock::now();
    for (int i = 0; i < kLookups; ++i) {
        state = state * 1103515245u + 12345u;
        const int n = static_cast<int>(state % static_cast<uint32_t>(modulo)) + (modulo == kRows ? 1 : 0);
        db::Recordset rows = database.openRecordset(u"SELECT * FROM Pessoas WHERE " + column +
                                                    u" = " + fromUtf8(std::to_string(n)));
        for (; !rows.eof(); rows.moveNext()) {
            Value v = rows.value(2);
            benchmark::DoNotOptimize(v);
            ++found;
        }
        if (i == 0) first = secondsSince(start);
    }
    return secondsSince(start);
}

}  // namespace

int main() {
    TempFile file("lookup_bench.mdb");
    auto start = Clock::now();
    writeLargeTable(file.path(), kRows);
    std::printf("wrote %d rows in %.3f s (%s, %.1f MB)\n", kRows, secondsSince(start),
                file.path().string().c_str(),
                static_cast<double>(std::filesystem::file_size(file.path())) / 1e6);

    try {
        start = Clock::now();
        const db::Database database = db::Database::open(file.path());
        const double openTime = secondsSince(start);

        size_t uniqueFound = 0, codeFound = 0;
        double uniqueFirst = 0, codeFirst = 0;
        const double unique = lookups(database, u"Id", kRows, uniqueFound, uniqueFirst);
        const double code = lookups(database, u"[Code]", 1000, codeFound, codeFirst);

        std::printf("open:                              %.4f s\n", openTime);
        std::printf("%d lookups on Id (unique):       %.4f s (first %.4f s), %zu rows found\n",
                    kLookups, unique, uniqueFirst, uniqueFound);
        std::printf("%d lookups on Code (~100 each):  %.4f s (first %.4f s), %zu rows found\n",
                    kLookups, code, codeFirst, codeFound);

        bool ok = true;
        if (uniqueFound != static_cast<size_t>(kLookups)) {
            std::printf("WRONG: %zu rows found for %d unique keys\n", uniqueFound, kLookups);
            ok = false;
        }
        if (unique >= 1.0 || code >= 1.0) {
            std::printf("GOAL NOT MET: 1000 lookups must take well under a second\n");
            ok = false;
        } else {
            std::printf("goal met (1000 lookups < 1 s)\n");
        }
        return ok ? 0 : 1;
    } catch (const Error& e) {
        std::printf("error %d: %s\n", e.number(), toUtf8(e.description()).c_str());
        return 1;
    }
}
