// A search of the 10,000-patient demo clinic (or as many as the first argument says)
// with its tables on a PostgreSQL and on a MariaDB server, linked through ODBC,
// against the same search of the clinic's Jet file: the time of each, their ratio,
// and the round trips to each server.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/demo/demo_clinic.h"
#include "db/database.h"
#include "db/odbc/round_trips.h"
#include "db/odbc/testing/test_server.h"
#include "db/odbc/testing/server_copy.h"
#include "search/patient_text.h"
#include "search/plain_text_buffer.h"
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

}  // namespace

int main(int argc, char** argv) {
    using db::odbc::testing::ServerKind;
    const int32_t patients = argc > 1 ? std::stoi(argv[1]) : 10000;
    try {
        const fs::path folder = fs::temp_directory_path() / ("scandrel-odbc-bench-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        const fs::path clinic = folder / "clinica.mdb";
        cli::demo::writeDemoClinic(clinic, {patients, 1});
        size_t jetFound = 0;
        seconds(clinic, jetFound);  // the file in the page cache, as the server's data is in memory
        const double jet = seconds(clinic, jetFound);
        std::printf("patients: %d (found: %zu)\nJet file: %.3f s\n", patients, jetFound, jet);
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
            size_t odbcFound = 0;
            const uint64_t before = db::odbc::roundTrips();
            const double odbc = seconds(front, odbcFound);
            const uint64_t trips = db::odbc::roundTrips() - before;
            std::printf("ODBC links to %s: %.3f s (found: %zu)\nratio ODBC/Jet: %.2f\n", name.c_str(), odbc, odbcFound,
                        odbc / jet);
            std::printf("round trips to %s: %llu (connection included)\n", name.c_str(),
                        static_cast<unsigned long long>(trips));
            same = same && odbcFound == jetFound;
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
