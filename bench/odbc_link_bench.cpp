// A search of the 10,000-patient demo clinic (or as many as the first argument says)
// with its tables on a PostgreSQL and on a MariaDB server, linked through ODBC,
// against the same search of the clinic's Jet file: the time of each, their ratio,
// the round trips to each server and the peak memory of the search (run in a child
// process of its own, so that only the search's memory counts). Each search is run
// several times (--runs=N, 3) and the fastest kept, as the machine may be shared, after
// one search that is not measured (the Jet file in the page cache, the rows just loaded
// on a server read once); every run's time is printed, then the processor time of the
// search's process and of the server's processes. --hold keeps the servers running after their figures, until Enter, and
// prints how to reach them (for profiling with perf and the servers' own logs).
//
// With --wine, the same files are searched by the 32-bit `scandrel.exe search` under
// Wine as well (the Windows tree build/win32, or $SCANDREL_WIN32_TREE), through Wine's
// odbc32 and the servers' 32-bit drivers: its time and its peak memory, Wine's own
// share included, against the target for the 32-bit host.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/odbc/round_trips.h"
#include "demo/demo_clinic.h"
#include "search/patient_text.h"
#include "search/plain_text_buffer.h"
#include "testing/servers/server_copy.h"
#include "testing/servers/test_server.h"
#include "text/error.h"
#include "text/utf.h"

namespace {

using namespace scandrel;
namespace fs = std::filesystem;

// Processor ticks (user and system) of process `pid` and each of its descendants, as
// /proc says them now; empty for none.
std::map<pid_t, unsigned long long> processorTicks(pid_t pid) {
    std::map<pid_t, unsigned long long> tree;
    if (pid <= 0) return tree;
    struct Stat {
        pid_t parent = 0;
        unsigned long long ticks = 0;
    };
    std::vector<std::pair<pid_t, Stat>> all;
    std::error_code ignored;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in(entry.path() / "stat");
        std::string line;
        if (!std::getline(in, line)) continue;
        // Fields after the command's closing parenthesis: state, parent, ... utime (14), stime (15).
        const size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        Stat stat;
        char state = 0;
        unsigned long long utime = 0, stime = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &state,
                        &stat.parent, &utime, &stime) != 4)
            continue;
        stat.ticks = utime + stime;
        all.emplace_back(std::stoi(name), stat);
    }
    std::vector<pid_t> walk = {pid};
    for (size_t at = 0; at < walk.size(); ++at)
        for (const auto& [p, stat] : all) {
            if (p == walk[at]) tree[p] = stat.ticks;
            if (stat.parent == walk[at]) walk.push_back(p);
        }
    return tree;
}

// The processor seconds the processes of `now` took since `before` (a process new
// since then counted whole; one gone since is not counted).
double processorSince(const std::map<pid_t, unsigned long long>& before,
                      const std::map<pid_t, unsigned long long>& now) {
    unsigned long long ticks = 0;
    for (const auto& [pid, t] : now) {
        const auto was = before.find(pid);
        ticks += was == before.end() ? t : t - std::min(t, was->second);
    }
    return static_cast<double>(ticks) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// The server's main process, from the pid file its script leaves in its folder.
pid_t serverProcess(const fs::path& folder) {
    for (const fs::path& file : {folder / "mysqld.pid", folder / "data" / "postmaster.pid"}) {
        std::ifstream in(file);
        pid_t pid = 0;
        if (in >> pid) return pid;
    }
    return 0;
}

// Every patient's text in name order, as the search builds them; the patients whose
// text holds "silva" are counted so that the work can't be left out. `atEnd` runs
// after the last patient, while the database (and a server's connection) is open.
size_t searchAll(const fs::path& path, const std::function<void()>& atEnd = {}) {
    const db::Database database = db::Database::open(path);
    db::Recordset patients = database.openRecordset(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente");
    patients.moveLast();
    patients.moveFirst();
    search::PlainTextBuffer buffer;
    search::PatientTextBuilder builder(database, patients, buffer);
    size_t found = 0;
    for (; !patients.eof(); patients.moveNext())
        if (builder.buildLowerCase().find(u"silva") != std::u16string::npos) ++found;
    if (atEnd) atEnd();
    return found;
}

struct Measured {
    double seconds = 0;
    size_t found = 0;
    uint64_t trips = 0;
    double peakMb = 0;
    double processor = 0;        // of the search's process
    double serverProcessor = 0;  // of the server's processes during the search
    std::vector<double> everyRun;  // each run's time, in order (measureApart)
};

// "1.234 1.201 1.199 s": how steady the runs were, the first after the data were loaded.
std::string runTimes(const Measured& m) {
    std::string out;
    for (const double seconds : m.everyRun) {
        char one[32];
        std::snprintf(one, sizeof one, "%.3f ", seconds);
        out += one;
    }
    return out + "s";
}

// The search of `path` in a child process: its time, finds, round trips, peak memory
// and processor time, and that of the server whose main process is `server`.
Measured measureOnce(const fs::path& path, pid_t server) {
    int channel[2];
    if (::pipe(channel) != 0) std::abort();
    const pid_t child = ::fork();
    if (child < 0) std::abort();
    if (child == 0) {
        ::close(channel[0]);
        Measured m;
        const uint64_t before = db::odbc::roundTrips();
        const auto serverBefore = processorTicks(server);
        try {
            const auto start = std::chrono::steady_clock::now();
            m.found = searchAll(path, [&] {
                m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                m.serverProcessor = processorSince(serverBefore, processorTicks(server));
            });
        } catch (const Error& e) {
            std::fprintf(stderr, "%d: %s\n", e.number(), toUtf8(e.description()).c_str());
            ::_exit(1);
        }
        m.trips = db::odbc::roundTrips() - before;
        if (::write(channel[1], &m, sizeof m) != static_cast<ssize_t>(sizeof m)) ::_exit(1);
        ::_exit(0);
    }
    ::close(channel[1]);
    Measured m;
    const bool got = ::read(channel[0], &m, sizeof m) == static_cast<ssize_t>(sizeof m);
    ::close(channel[0]);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("the search failed");
    m.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    const auto secondsOf = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    m.processor = secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
    return m;
}

// The fastest of `runs` searches, with its own processor times; the highest peak.
Measured measureApart(const fs::path& path, int runs, pid_t server = 0) {
    Measured best;
    std::vector<double> everyRun;
    for (int run = 0; run < runs; ++run) {
        const Measured m = measureOnce(path, server);
        everyRun.push_back(m.seconds);
        const double peak = std::max(best.peakMb, m.peakMb);
        if (run == 0 || m.seconds < best.seconds) best = m;
        best.peakMb = peak;
    }
    best.everyRun = std::move(everyRun);
    return best;
}

// --- The 32-bit build under Wine ---------------------------------------------------

// The word the search above looks for, so that both count the same patients.
const std::vector<std::string> kWineWords = {"silva"};
constexpr int kWineRuns = 3;
constexpr double kWinePeakTargetMb = 200;

struct WineRun {
    double seconds = 0;
    double processorSeconds = 0;
    double peakMb = 0;   // the largest resident set of the program, Wine's loader included
    std::string listed;  // the rows the search printed, one a line
};

std::string slurp(const fs::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    std::string text;
    if (!file) return text;
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, n);
    std::fclose(file);
    return text;
}

// `scandrel.exe ARGUMENTS` run once under Wine by cmake/wine-run (the tree's own
// prefix), its output in `output`: wall-clock and processor time and peak memory,
// read from the process's own accounting as bench/wine-bench reads it.
WineRun underWine(const std::vector<std::string>& arguments, const fs::path& output) {
    const char* tree = std::getenv("SCANDREL_WIN32_TREE");
    const fs::path exe = fs::path(tree ? tree : SCANDREL_SOURCE_DIR "/build/win32") / "cli" / "scandrel.exe";
    const std::string runner = SCANDREL_SOURCE_DIR "/cmake/wine-run";
    std::vector<std::string> words = {runner, exe.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0) std::abort();
    if (child == 0) {
        const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int null = ::open("/dev/null", O_WRONLY);
        if (out < 0 || null < 0 || ::dup2(out, 1) < 0 || ::dup2(null, 2) < 0) ::_exit(127);
        ::execv(runner.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    WineRun run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("scandrel.exe under Wine failed (" + exe.string() + ", build it with the win32 preset)");
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    run.processorSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.listed = slurp(output);
    return run;
}

// The search of `database` by scandrel.exe under Wine, best of the runs (the largest
// peak), less Wine's start-up (the time of `scandrel.exe help` just before each).
WineRun wineSearch(const fs::path& database) {
    const fs::path output = database.parent_path() / "wine-output.txt";
    std::vector<std::string> search = {"search", database.string()};
    search.insert(search.end(), kWineWords.begin(), kWineWords.end());
    WineRun best{1e30, 1e30, 0, {}};
    for (int i = 0; i < kWineRuns; ++i) {
        underWine({"help"}, output);  // the wine server started, as it is for the search after it
        const WineRun startup = underWine({"help"}, output);
        WineRun run = underWine(search, output);
        best.seconds = std::min(best.seconds, std::max(run.seconds - startup.seconds, 1e-3));
        best.processorSeconds =
            std::min(best.processorSeconds, std::max(run.processorSeconds - startup.processorSeconds, 1e-3));
        best.peakMb = std::max(best.peakMb, run.peakMb);
        best.listed = std::move(run.listed);
    }
    return best;
}

// "--name=N" as N, else `otherwise`.
int option(int argc, char** argv, const char* name, int otherwise) {
    const size_t length = std::strlen(name);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], name, length) == 0 && argv[i][length] == '=') return std::stoi(argv[i] + length + 1);
    return otherwise;
}

bool flag(int argc, char** argv, const char* name) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return true;
    return false;
}

void printWine(const WineRun& run, const char* differs) {
    std::printf("  32-bit scandrel.exe under Wine (best of %d, less Wine's start-up): %.3f s, processor %.3f s "
                "(found: %zu%s)\n",
                kWineRuns, run.seconds, run.processorSeconds,
                static_cast<size_t>(std::count(run.listed.begin(), run.listed.end(), '\n')), differs);
    std::printf("    peak memory under Wine: %.0f MB (target below %.0f) %s\n", run.peakMb, kWinePeakTargetMb,
                run.peakMb < kWinePeakTargetMb ? "met" : "NOT met");
}

// The 32-bit build under Wine on the front-end, against the same build on the
// clinic's Jet file; true when both listed the same rows.
bool reportUnderWine(const fs::path& front, const WineRun& jet) {
    const WineRun odbc = wineSearch(front);
    const bool same = odbc.listed == jet.listed;
    printWine(odbc, same ? "" : ", NOT the Jet file's rows");
    std::printf("    ratio ODBC/Jet under Wine: %.2f\n", odbc.seconds / jet.seconds);
    return same;
}

}  // namespace

int main(int argc, char** argv) {
    using db::odbc::testing::ServerKind;
    const int32_t patients = argc > 1 && argv[1][0] != '-' ? std::stoi(argv[1]) : 10000;
    const int runs = std::max(1, option(argc, argv, "--runs", 3));
    const bool hold = flag(argc, argv, "--hold");
    const bool wine = flag(argc, argv, "--wine");
    try {
        const fs::path folder = fs::temp_directory_path() / ("scandrel-odbc-bench-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        const fs::path clinic = folder / "clinica.mdb";
        demo::writeDemoClinic(clinic, {patients, 1});
        searchAll(clinic);  // the file in the page cache, as the server's data is in memory
        const Measured jet = measureApart(clinic, runs);
        const size_t jetFound = jet.found;
        const double target = patients >= 100000 ? 2.0 : 1.5;
        std::printf("patients: %d (found: %zu), best of %d runs\nJet file: %.3f s (processor %.3f s), peak %.0f MB\n"
                    "  runs: %s\n",
                    patients, jetFound, runs, jet.seconds, jet.processor, jet.peakMb, runTimes(jet).c_str());
        WineRun wineJet;
        if (wine) {
            wineJet = wineSearch(clinic);
            printWine(wineJet, "");
        }
        bool same = true;
        for (const ServerKind kind : db::odbc::testing::serverKinds()) {
            const std::string name = db::odbc::testing::serverName(kind);
            if (!db::odbc::testing::serverAvailable(kind)) {
                std::fprintf(stderr, "%s or its ODBC driver is missing: run scripts/setup\n", name.c_str());
                same = false;
                continue;
            }
            const fs::path front = folder / ("servidor-" + name + ".mdb");
            db::odbc::testing::TestServer server(kind);
            {
                const db::Database jetFile = db::Database::open(clinic);
                db::odbc::testing::writeServerCopy(jetFile, folder / "copy.sql", kind);
                server.runSql(folder / "copy.sql");
                db::odbc::testing::writeLinkingFrontEnd(jetFile, front, server.connectString(), {});
            }
            // Searched once unmeasured, as the Jet file is: the first reads of rows just
            // loaded cost the server more (PostgreSQL writes their hint bits then), which
            // would make a single run's figure stand for the loading, not the search.
            measureOnce(front, 0);
            const Measured odbc = measureApart(front, runs, serverProcess(server.folder()));
            const double ratio = odbc.seconds / jet.seconds;
            const uint64_t mostTrips = static_cast<uint64_t>(patients) / 100 + 30;
            std::printf("ODBC links to %s: %.3f s (found: %zu)\n", name.c_str(), odbc.seconds, odbc.found);
            std::printf("  runs: %s\n", runTimes(odbc).c_str());
            std::printf("  processor: search %.3f s, server %.3f s\n", odbc.processor, odbc.serverProcessor);
            std::printf("  ratio ODBC/Jet: %.2f (target at most %.1f) %s\n", ratio, target,
                        ratio <= target ? "met" : "NOT met");
            std::printf("  peak memory: %.0f MB (target below 200) %s\n", odbc.peakMb, odbc.peakMb < 200 ? "met" : "NOT met");
            std::printf("  round trips: %llu, connection included (target at most %llu) %s\n",
                        static_cast<unsigned long long>(odbc.trips), static_cast<unsigned long long>(mostTrips),
                        odbc.trips <= mostTrips ? "met" : "NOT met");
            same = same && odbc.found == jetFound;
            if (wine) same = reportUnderWine(front, wineJet) && same;
            if (hold) {
                std::printf("  holding: front-end %s, server folder %s (pid %d); Enter goes on\n",
                            front.string().c_str(), server.folder().string().c_str(),
                            static_cast<int>(serverProcess(server.folder())));
                std::fflush(stdout);
                std::string line;
                std::getline(std::cin, line);
            }
        }
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        return same ? 0 : 1;
    } catch (const Error& e) {
        std::fprintf(stderr, "%d: %s\n", e.number(), toUtf8(e.description()).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    return 1;
}
