// Searches of a clinic whose tables are links: to another Jet file, and to
// PostgreSQL and MariaDB servers of the test's own reached through unixODBC and each
// server's ODBC driver. Both must list exactly what the search of the plain Jet file lists.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <memory>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/tests/run_program.h"
#include "db/database.h"
#include "db/odbc/round_trips.h"
#include "db/odbc/server.h"
#include "db/writer/jet_writer.h"
#include "demo/demo_clinic.h"
#include "search/patient_text.h"
#include "search/plain_text_buffer.h"
#include "testing/jet_test_files.h"
#include "testing/servers/server_copy.h"
#include "testing/servers/test_server.h"
#include "text/error.h"
#include "text/utf.h"

namespace {

namespace fs = std::filesystem;
using namespace scandrel;
using db::odbc::testing::ServerKind;
using db::odbc::testing::TestServer;
using db::testing::describedError;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr int32_t kPatients = 300;
const std::vector<std::string> kSearches = {"silva", "maria asma", "a", "casad", "zzzz", "15/0", "mae do paciente"};

// Counter and text of every patient, in name order.
std::vector<std::pair<Value, std::u16string>> patientTexts(const db::Database& database) {
    db::Recordset patients = database.openRecordset(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente");
    search::PlainTextBuffer buffer;
    search::PatientTextBuilder builder(database, patients, buffer);
    std::vector<std::pair<Value, std::u16string>> all;
    for (; !patients.eof(); patients.moveNext()) all.emplace_back(patients.field(u"paci_ln_Counter"), builder.build());
    return all;
}

// The demo clinic, written once for all the tests.
class LinkedClinic : public cli::testing::ProgramTest {
protected:
    static void SetUpTestSuite() {
        folder_ = new fs::path(fs::temp_directory_path() / ("scandrel-linked-" + std::to_string(::getpid())));
        fs::create_directories(*folder_);
        demo::writeDemoClinic(clinic(), {kPatients, 7});
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        fs::remove_all(*folder_, ignored);
        delete folder_;
    }
    static fs::path clinic() { return *folder_ / "clinica.mdb"; }

    void expectSameSearches(const fs::path& frontEnd) {
        for (const std::string& words : kSearches) {
            const auto expected = run({"search", clinic().string(), "--ids", words});
            const auto got = run({"search", frontEnd.string(), "--ids", words});
            EXPECT_EQ(got.status, 0) << words << ": " << got.err;
            EXPECT_EQ(got.out, expected.out) << words;
        }
    }

    static fs::path* folder_;
};
fs::path* LinkedClinic::folder_ = nullptr;

TEST_F(LinkedClinic, ThroughJetLinksSearchesListWhatTheBackEndLists) {
    const fs::path front = dir_ / "front.mdb";
    db::odbc::testing::writeLinkingFrontEnd(db::Database::open(clinic()), front, {}, clinic().u16string());
    expectSameSearches(front);
    EXPECT_EQ(run({"tables", front.string()}).out, run({"tables", clinic().string()}).out);
    // The link is named, the back-end left closed.
    const auto schema = run({"schema", front.string(), "guias"});
    EXPECT_THAT(schema.out, StartsWith("Guias  (vinculada a " + clinic().string() + ")\n"));
    EXPECT_THAT(schema.out, Not(HasSubstr("Guia_tx_NroGuia")));
}

TEST_F(LinkedClinic, AMissingBackEndIsReportedWithItsPath) {
    const fs::path front = dir_ / "front.mdb";
    db::odbc::testing::writeLinkingFrontEnd(db::Database::open(clinic()), front, {}, u"/mnt/servidor/dados/clinica.mdb");
    // The search and every other command report the error, which names the back-end.
    const auto search = run({"search", front.string(), "silva"});
    EXPECT_EQ(search.status, 1);
    EXPECT_EQ(search.err, "3024: Não foi possível encontrar o arquivo '/mnt/servidor/dados/clinica.mdb'.\n");
    const auto result = run({"export", front.string(), "Pacientes"});
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.err, StartsWith("3024: "));
    EXPECT_THAT(result.err, HasSubstr("/mnt/servidor/dados/clinica.mdb"));
}

// The same clinic on each server, started for these tests when first needed.
class OdbcLinkedClinic : public LinkedClinic, public ::testing::WithParamInterface<ServerKind> {
protected:
    static void TearDownTestSuite() {
        servers_.clear();
        LinkedClinic::TearDownTestSuite();
    }
    void SetUp() override {
        LinkedClinic::SetUp();
        if (!db::odbc::testing::serverAvailable(GetParam()))
            GTEST_SKIP() << serverName() << " or its ODBC driver is not installed (scripts/setup installs them)";
        auto& server = servers_[GetParam()];
        if (server) return;
        server = std::make_unique<TestServer>(GetParam());
        const db::Database jet = db::Database::open(clinic());
        db::odbc::testing::writeServerCopy(jet, *folder_ / "copy.sql", GetParam());
        server->runSql(*folder_ / "copy.sql");
        db::odbc::testing::writeLinkingFrontEnd(jet, front(), server->connectString(), {});
    }
    std::string serverName() const { return db::odbc::testing::serverName(GetParam()); }
    const TestServer& server() const { return *servers_.at(GetParam()); }
    fs::path front() const { return *folder_ / ("servidor-" + serverName() + ".mdb"); }

    // A front-end with one link, to `table` on the server given by `connect`.
    fs::path oneLink(const std::u16string& connect, const std::u16string& table) {
        const fs::path path = dir_ / "link.mdb";
        db::writer::JetWriter file(path, {});
        file.addLink({u"Pacientes", {}, connect, table});
        file.finish();
        return path;
    }
    // A link to a server of this kind listening on `socketFolder`, port 7 where it
    // matters, database "x".
    std::u16string connectAt(const fs::path& socketFolder) const {
        const std::u16string folder = fromUtf8(socketFolder.string());
        if (GetParam() == ServerKind::PostgreSQL)
            return u"ODBC;DRIVER={PostgreSQL Unicode};SERVER=" + folder + u";PORT=7;DATABASE=x;UID=postgres";
        return u"ODBC;DRIVER={MariaDB Unicode};SOCKET=" + folder + u"/.s.PGSQL.7;DATABASE=x;UID=root";
    }

    static std::map<ServerKind, std::unique_ptr<TestServer>> servers_;
};
std::map<ServerKind, std::unique_ptr<TestServer>> OdbcLinkedClinic::servers_;

TEST_P(OdbcLinkedClinic, EveryPatientsTextAndOrderIsTheJetFiles) {
    const auto expected = patientTexts(db::Database::open(clinic()));
    const uint64_t before = db::odbc::roundTrips();
    const auto got = patientTexts(db::Database::open(front()));
    const uint64_t trips = db::odbc::roundTrips() - before;
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].first, expected[i].first) << "patient " << i;
        EXPECT_EQ(toUtf8(got[i].second), toUtf8(expected[i].second)) << "patient " << i;
    }
    // Never a round trip per patient: a connection and the statement that asks how its
    // driver gives texts, each table described and fetched, and a few single queries
    // before a table is fetched whole.
    EXPECT_LE(trips, 2u + 7u * 2u + 6u * db::odbc::Server::kSingleQueries);
}

TEST_P(OdbcLinkedClinic, SearchesListWhatTheJetFileLists) {
    expectSameSearches(front());
    // The link is named; no connection is made.
    const auto schema = run({"schema", front().string(), "Pacientes"});
    EXPECT_THAT(schema.out,
                StartsWith("Pacientes  (vinculada a " + db::odbc::testing::driverName(GetParam()) + ")\n"));
    EXPECT_THAT(schema.out, Not(HasSubstr("Paci_tx_NomePaciente")));
}

TEST_P(OdbcLinkedClinic, FailuresGiveTheOdbcErrorsWithTheDriversMessage) {
    // No table of that name on the server: a failed call, in the driver's words too.
    const db::Database missing = db::Database::open(oneLink(server().connectString(), u"NaoExiste"));
    const std::string call = describedError([&] { missing.openRecordset(u"SELECT * FROM Pacientes"); });
    EXPECT_THAT(call, StartsWith("3146: Falha na chamada ODBC."));
    EXPECT_THAT(call, HasSubstr("NaoExiste"));

    // No server where the link points: the connection fails, naming the data source.
    const db::Database gone = db::Database::open(oneLink(connectAt(dir_), u"Pacientes"));
    const std::string connection = describedError([&] { gone.openRecordset(u"SELECT * FROM Pacientes"); });
    EXPECT_THAT(connection,
                StartsWith("3151: Falha na conexão ODBC com '" + db::odbc::testing::driverName(GetParam()) + "'."));
    EXPECT_THAT(connection, HasSubstr("Mensagem do driver: "));
    const std::string unknownDriver = describedError([&] {
        db::Database::open(oneLink(u"ODBC;DSN=ClinicaQueNaoExiste", u"Pacientes")).columns(u"Pacientes");
    });
    EXPECT_THAT(unknownDriver, StartsWith("3151: Falha na conexão ODBC com 'ClinicaQueNaoExiste'."));
}

TEST_P(OdbcLinkedClinic, AServerThatNeverAnswersDoesNotHoldTheSearch) {
    // A socket that takes connections and never says a word.
    const std::string socketPath = dir_.string() + "/.s.PGSQL.7";
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 8), 0);
    const std::unique_ptr<int, void (*)(int*)> closer(new int(listener), [](int* fd) {
        ::close(*fd);
        delete fd;
    });

    const fs::path path = dir_ / "links.mdb";
    {
        db::writer::JetWriter file(path, {});
        for (const std::u16string table : {u"Pacientes", u"Anamneses", u"Guias"})
            file.addLink({table, {}, connectAt(dir_), table});
        file.finish();
    }
    const db::Database database = db::Database::open(path);
    const auto start = std::chrono::steady_clock::now();
    const std::string result = describedError([&] { database.openRecordset(u"SELECT * FROM Pacientes"); });
    EXPECT_THAT(result, StartsWith("3151: "));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(db::odbc::kLoginTimeoutSeconds + 10));
    // The other tables on that server fail at once, with the same error.
    const auto again = std::chrono::steady_clock::now();
    EXPECT_EQ(describedError([&] { database.columns(u"Anamneses"); }), result);
    EXPECT_EQ(describedError([&] { database.openRecordset(u"SELECT * FROM Guias"); }), result);
    EXPECT_LT(std::chrono::steady_clock::now() - again, std::chrono::seconds(1));
}

INSTANTIATE_TEST_SUITE_P(Servers, OdbcLinkedClinic, ::testing::ValuesIn(db::odbc::testing::serverKinds()),
                         [](const auto& tested) { return db::odbc::testing::serverName(tested.param); });

}  // namespace
