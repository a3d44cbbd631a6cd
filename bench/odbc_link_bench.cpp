// A search of the 10,000-patient demo clinic (or as many as the first argument says)
// with its tables on a PostgreSQL and on a MariaDB server, linked through ODBC,
// against the same search of the clinic's Jet file: the time of each, their ratio,
// the round trips to each server and the peak memory of the search (run in a child
// process of its own, so that only the search's memory counts).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

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

// Every patient's text in name order, as the search builds them; the patients whose
// text holds "silva" are counted so that the work can't be left out.
size_t search(const fs::path& path) {
    const db::Database database = db::Database::open(path);
    db::Recordset patients = database.openRecordset(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente");
    patients.moveLast();
    patients.moveFirst();
    search::PlainTextBuffer buffer;
    search::PatientTextBuilder builder(database, patients, buffer);
    size_t found = 0;
    for (; !patients.eof(); patients.moveNext())
        if (builder.buildLowerCase().find(u"silva") != std::u16string::npos) ++found;
    return found;
}

double seconds(const fs::path& path, size_t& found) {
    const auto start = std::chrono::steady_clock::now();
    found = search(path);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Measured {
    double seconds = 0;
    size_t found = 0;
    uint64_t trips = 0;
    double peakMb = 0;
};

// The search of `path` in a child process: its time, finds, round trips and peak memory.
Measured measureApart(const fs::path& path) {
    int channel[2];
    if (::pipe(channel) != 0) std::abort();
    const pid_t child = ::fork();
    if (child < 0) std::abort();
    if (child == 0) {
        ::close(channel[0]);
        Measured m;
        const uint64_t before = db::odbc::roundTrips();
        try {
            m.seconds = seconds(path, m.found);
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
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    using db::odbc::testing::ServerKind;
    const int32_t patients = argc > 1 ? std::stoi(argv[1]) : 10000;
    try {
        const fs::path folder = fs::temp_directory_path() / ("scandrel-odbc-bench-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        const fs::path clinic = folder / "clinica.mdb";
        demo::writeDemoClinic(clinic, {patients, 1});
        size_t jetFound = 0;
        seconds(clinic, jetFound);  // the file in the page cache, as the server's data is in memory
        const Measured jet = measureApart(clinic);
        jetFound = jet.found;
        const double target = patients >= 100000 ? 2.0 : 1.5;
        std::printf("patients: %d (found: %zu)\nJet file: %.3f s, peak %.0f MB\n", patients, jetFound, jet.seconds,
                    jet.peakMb);
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
            const Measured odbc = measureApart(front);
            const double ratio = odbc.seconds / jet.seconds;
            const uint64_t mostTrips = static_cast<uint64_t>(patients) / 100 + 30;
            std::printf("ODBC links to %s: %.3f s (found: %zu)\n", name.c_str(), odbc.seconds, odbc.found);
            std::printf("  ratio ODBC/Jet: %.2f (target at most %.1f) %s\n", ratio, target,
                        ratio <= target ? "met" : "NOT met");
            std::printf("  peak memory: %.0f MB (target below 200) %s\n", odbc.peakMb, odbc.peakMb < 200 ? "met" : "NOT met");
            std::printf("  round trips: %llu, connection included (target at most %llu) %s\n",
                        static_cast<unsigned long long>(odbc.trips), static_cast<unsigned long long>(mostTrips),
                        odbc.trips <= mostTrips ? "met" : "NOT met");
            same = same && odbc.found == jetFound;
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
