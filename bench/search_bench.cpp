// The search on the command line against the reference reader: `scandrel search`
// with a two-word query that matches few patients, and `mdb-export` of the seven
// clinic tables to /dev/null, on demo clinics of 10,000 and 100,000 patients.
//
// Figures printed at the end:
//   search / export time on 100k   target <= 0.5
//   search time 100k / 10k         target <= 11 (the scan grows linearly)
//   peak memory of the search      target < 200 MB on 100k
//
// The clinics are written once with `scandrel make-demo` and kept in build/.
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

namespace fs = std::filesystem;

constexpr const char* kWords[] = {"gusmao", "marca-passo"};
constexpr const char* kTables[] = {"Pacientes", "Anamneses", "ConsultaseRetornos", "Convenios",
                                   "Guias", "ProcedimentosExames", "Textos"};

struct Run {
    double seconds = 0;     // wall time
    double cpuSeconds = 0;  // user + system time of the child: steadier on a busy machine
    long maxRssKb = 0;
    int status = -1;
};

// Runs a program with standard output (and error, unless kept) sent to /dev/null.
Run spawn(const std::vector<std::string>& argv, bool keepStderr = false) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0) std::abort();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        if (!keepStderr) ::dup2(null, 2);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.maxRssKb = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

fs::path clinic(int patients) {
    const fs::path dir = fs::path(SCANDREL_CLI).parent_path().parent_path() / "bench-data";
    const fs::path file = dir / ("clinica-" + std::to_string(patients) + ".mdb");
    if (!fs::exists(file)) {
        fs::create_directories(dir);
        const fs::path partial = dir / ("partial-" + std::to_string(patients) + ".mdb");
        std::fprintf(stderr, "writing %s ...\n", file.c_str());
        const Run made = spawn({SCANDREL_CLI, "make-demo", partial.string(), "--patients",
                                std::to_string(patients), "--seed", "1"},
                               true);
        if (made.status != 0) {
            std::fprintf(stderr, "make-demo failed (%d)\n", made.status);
            std::exit(1);
        }
        fs::rename(partial, file);
    }
    return file;
}

struct Best {
    double seconds = std::numeric_limits<double>::infinity();
    double cpuSeconds = std::numeric_limits<double>::infinity();
    long maxRssKb = 0;
};
std::map<std::pair<std::string, int>, Best> best;

void record(const std::string& what, int patients, const Run& run) {
    Best& b = best[{what, patients}];
    b.seconds = std::min(b.seconds, run.seconds);
    b.cpuSeconds = std::min(b.cpuSeconds, run.cpuSeconds);
    b.maxRssKb = std::max(b.maxRssKb, run.maxRssKb);
}

void BM_Search(benchmark::State& state) {
    const int patients = static_cast<int>(state.range(0));
    const std::string file = clinic(patients).string();
    for (auto _ : state) {
        const Run run = spawn({SCANDREL_CLI, "search", file, kWords[0], kWords[1]});
        if (run.status != 0) state.SkipWithError("scandrel search failed");
        state.SetIterationTime(run.seconds);
        record("search", patients, run);
    }
    state.counters["maxrss_MB"] = static_cast<double>(best[{"search", patients}].maxRssKb) / 1024.0;
}

void BM_MdbExport(benchmark::State& state) {
    const int patients = static_cast<int>(state.range(0));
    const std::string file = clinic(patients).string();
    for (auto _ : state) {
        Run total;
        for (const char* table : kTables) {
            const Run run = spawn({"mdb-export", file, table});
            if (run.status != 0) state.SkipWithError("mdb-export failed");
            total.seconds += run.seconds;
            total.cpuSeconds += run.cpuSeconds;
            total.maxRssKb = std::max(total.maxRssKb, run.maxRssKb);
        }
        state.SetIterationTime(total.seconds);
        record("mdb-export", patients, total);
    }
}

BENCHMARK(BM_Search)->Arg(10000)->Arg(100000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MdbExport)->Arg(10000)->Arg(100000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void figure(const char* name, double value, const char* comparison, double target, bool met) {
    std::printf("%-40s %10.3f   target %s %g   %s\n", name, value, comparison, target, met ? "ok" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const auto get = [](const char* what, int patients) { return best[{what, patients}]; };
    const Best search10k = get("search", 10000), search100k = get("search", 100000);
    const Best export10k = get("mdb-export", 10000), export100k = get("mdb-export", 100000);
    if (!std::isfinite(search100k.seconds) || !std::isfinite(export100k.seconds) ||
        !std::isfinite(search10k.seconds)) {
        return 0;  // filtered run: no figures
    }
    std::printf("\nsearch \"%s %s\"; best of the runs\n", kWords[0], kWords[1]);
    const auto times = [](const char* name, const Best& b) {
        std::printf("%-40s %10.3f s   (cpu %.3f s)\n", name, b.seconds, b.cpuSeconds);
    };
    times("search 10k", search10k);
    times("search 100k", search100k);
    times("mdb-export 7 tables 10k", export10k);
    times("mdb-export 7 tables 100k", export100k);
    const double vsExport10k = search10k.seconds / export10k.seconds;
    const double vsExport = search100k.seconds / export100k.seconds;
    const double growth = search100k.seconds / search10k.seconds;
    const double peakMb = static_cast<double>(search100k.maxRssKb) / 1024.0;
    figure("search / mdb-export (10k)", vsExport10k, "<=", 0.5, vsExport10k <= 0.5);
    figure("search / mdb-export (100k)", vsExport, "<=", 0.5, vsExport <= 0.5);
    figure("search 100k / search 10k", growth, "<=", 11, growth <= 11);
    std::printf("cpu time: search / mdb-export (100k) %.3f, search 100k / 10k %.3f\n",
                search100k.cpuSeconds / export100k.cpuSeconds, search100k.cpuSeconds / search10k.cpuSeconds);
    figure("peak memory of search on 100k (MB)", peakMb, "<", 200, peakMb < 200);
    return 0;
}
