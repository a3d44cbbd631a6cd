// Tables linked through ODBC to a PostgreSQL or MariaDB server the test starts: every
// row of every table reads as the same table of the Jet file the server's data came
// from. Under Wine this goes through Wine's odbc32, the 32-bit unixODBC and the 32-bit
// driver.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "db/base/errors.h"
#include "db/base/sql.h"
#include "db/database.h"
#include "db/odbc/connection.h"
#include "db/odbc/round_trips.h"
#include "db/odbc/server.h"
#include "db/odbc/statements_ahead.h"
#include "db/writer/clinic_writer.h"
#include "testing/jet_test_files.h"
#include "testing/servers/server_copy.h"
#include "testing/servers/test_server.h"
#include "text/date.h"
#include "text/utf.h"

namespace scandrel::db {
namespace {

using odbc::testing::ServerKind;
using odbc::testing::TestServer;

class OdbcLinks : public ::testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override {
        if (!odbc::testing::serverAvailable(GetParam()))
            GTEST_SKIP() << odbc::testing::serverName(GetParam()) << " or its ODBC driver is not installed";
    }
};

Value on(int year, int month, int day, int hour = 0, int minute = 0) {
    text::DateTime dt;
    dt.year = year;
    dt.month = month;
    dt.day = day;
    dt.hour = hour;
    dt.minute = minute;
    return Value::date(text::serialFromDateTime(dt));
}

std::vector<std::vector<Value>> rowsOf(Recordset rows) {
    std::vector<std::vector<Value>> all;
    for (; !rows.eof(); rows.moveNext()) {
        std::vector<Value> row;
        for (const ColumnInfo& column : rows.columns()) row.push_back(rows.field(column.name));
        all.push_back(std::move(row));
    }
    return all;
}

// A text form that tells the kinds apart, but for whole numbers: the server has no
// byte columns, and its small integers read as integers.
std::string shown(const std::vector<std::vector<Value>>& rows) {
    std::string out;
    for (const auto& row : rows) {
        for (const Value& v : row) {
            const bool whole = v.kind() == Value::Kind::Byte || v.kind() == Value::Kind::Integer;
            out += (whole ? std::string("whole") : std::to_string(static_cast<int>(v.kind()))) + ":" +
                   (v.isNull() ? "null" : toUtf8(v.toText())) + "|";
        }
        out += "\n";
    }
    return out;
}

// A clinic of `patients` (name, anamneses), in that order of their numbers; each
// anamnesis's `field` holds its patient's name and its ordinal.
void writeClinic(const std::filesystem::path& path, const std::vector<std::pair<std::u16string, int>>& patients,
                 std::u16string_view field) {
    writer::ClinicWriter clinic(path);
    for (const auto& [name, anamneses] : patients) {
        const int32_t counter = clinic.add(writer::kPacientes, {{u"Paci_tx_NomePaciente", Value::text(name)}});
        for (int a = 0; a < anamneses; ++a)
            clinic.add(writer::kAnamneses, {{u"Anam_ln_Paciente", Value::longValue(counter)},
                                            {std::u16string(field), Value::text(name + u" " + fromUtf8(std::to_string(a)))}});
    }
    clinic.finish();
}

void copyTo(const TestServer& server, const Database& jet) {
    odbc::testing::writeServerCopy(jet, server.folder() / "copy.sql", server.kind());
    server.runSql(server.folder() / "copy.sql");
}

TEST_P(OdbcLinks, EveryValueReadsAsInTheJetFile) {
    testing::TempFolder folder;
    const auto clinicPath = folder.path() / "clinica.mdb";
    {
        writer::ClinicWriter clinic(clinicPath);
        const int32_t ana = clinic.add(writer::kPacientes,
                                       {{u"Paci_tx_NomePaciente", Value::text(u"Ana d'Ávila «Zé» 日本")},
                                        {u"Paci_dt_DataNascimentoPaciente", on(1961, 3, 7)},
                                        {u"Paci_bo_NaoAtivo", Value::boolean(true)},
                                        {u"Paci_by_PropCtrab", Value::byte(3)},
                                        {u"Paci_me_ObservacoesPaciente", Value::text(std::u16string(5000, u'ç') + u"\r\nfim")}});
        clinic.add(writer::kPacientes, {{u"Paci_tx_NomePaciente", Value::text(u"álvaro")},
                                        {u"Paci_dt_DataNascimentoPaciente", on(1000, 1, 1)}});
        clinic.add(writer::kPacientes, {{u"Paci_tx_NomePaciente", Value::null()}});
        clinic.add(writer::kAnamneses, {{u"Anam_ln_Paciente", Value::longValue(ana)},
                                        {u"Anam_dt_DataAnamnese", on(2003, 8, 15, 14, 30)},
                                        {u"Anam_tx_Diagnostico1", Value::text(u"asma")}});
        clinic.finish();
    }
    const Database jet = Database::open(clinicPath);
    TestServer server(GetParam());
    copyTo(server, jet);
    const auto frontPath = folder.path() / "servidor.mdb";
    odbc::testing::writeLinkingFrontEnd(jet, frontPath, server.connectString(), {});
    const Database front = Database::open(frontPath);

    for (const std::u16string& table : jet.tableNames()) {
        const std::u16string sql = u"SELECT * FROM " + table;
        EXPECT_EQ(shown(rowsOf(front.openRecordset(sql))), shown(rowsOf(jet.openRecordset(sql)))) << toUtf8(table);
    }
    for (const std::u16string_view sql :
         {u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente", u"SELECT * FROM Pacientes ORDER BY paci_tx_nomepaciente DESC",
          u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = 1", u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = 2",
          u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = 1", u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = 2",
          u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = 99999999999"}) {
        EXPECT_EQ(shown(rowsOf(front.openRecordset(sql))), shown(rowsOf(jet.openRecordset(sql)))) << toUtf8(sql);
    }
    EXPECT_EQ(testing::errorNumberOf([&] { front.openRecordset(u"SELECT * FROM Pacientes WHERE Paci_tx_NomePaciente = 1"); }),
              testing::errorNumberOf([&] { jet.openRecordset(u"SELECT * FROM Pacientes WHERE Paci_tx_NomePaciente = 1"); }));
    EXPECT_EQ(testing::errorNumberOf([&] { front.openRecordset(u"SELECT * FROM Pacientes WHERE Nada = 1"); }),
              db::kFieldNotFound);
}

TEST_P(OdbcLinks, RelatedRowsComeABatchOfPatientsAtATimeInTheirOrder) {
    testing::TempFolder folder;
    const auto clinicPath = folder.path() / "clinica.mdb";
    // Ten patients whose name order is not their number order; patient i has i % 3 anamneses.
    std::vector<std::pair<std::u16string, int>> patientsWritten;
    for (int i = 0; i < 10; ++i)
        patientsWritten.emplace_back(u"Paciente " + std::u16string(1, static_cast<char16_t>(u'J' - (i * 7) % 10)), i % 3);
    writeClinic(clinicPath, patientsWritten, u"Anam_tx_Diagnostico1");
    const Database jet = Database::open(clinicPath);
    TestServer server(GetParam());
    copyTo(server, jet);

    constexpr std::u16string_view kPatients = u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente";
    constexpr std::u16string_view kAnamneses = u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = ";
    odbc::Server linked(server.connectString(), u"Pacientes");
    linked.setPatientsPerBatch(4);
    linked.setSendAhead(false);  // each batch when it is reached: see the test below for batches sent ahead
    std::vector<std::vector<int64_t>> asked;
    const std::unique_ptr<RowSet> patients =
        linked.open(parseSelect(kPatients), [&](std::u16string_view head, const std::vector<int64_t>& numbers) {
            EXPECT_EQ(head, kAnamneses);
            asked.push_back(numbers);
            linked.fetchAhead(parseSelect(std::u16string(head) + u"0"), numbers);
        });
    // The patients' numbers in name order, a batch of four at a time.
    std::vector<std::vector<int64_t>> expected;
    for (Recordset inFile = jet.openRecordset(kPatients); !inFile.eof(); inFile.moveNext()) {
        if (expected.empty() || expected.back().size() == 4) expected.emplace_back();
        expected.back().push_back(inFile.field(u"paci_ln_Counter").asInteger());
    }
    std::vector<uint64_t> trips;
    const int counter = patients->find(u"paci_ln_Counter");
    for (; !patients->eof(); patients->moveNext()) {
        const std::u16string sql = std::u16string(kAnamneses) + patients->value(counter).toText();
        const uint64_t before = odbc::roundTrips();
        patients->readAhead(64, {{kAnamneses, u"paci_ln_Counter"}});
        Recordset related(linked.open(parseSelect(sql)));
        trips.push_back(odbc::roundTrips() - before);
        EXPECT_EQ(shown(rowsOf(std::move(related))), shown(rowsOf(jet.openRecordset(sql)))) << toUtf8(sql);

        // The server loses the table after the first batch: the next batch fails, and
        // the first statement that needs its rows says so.
        if (trips.size() == 4) {
            std::ofstream(server.folder() / "drop.sql") << "DROP TABLE \"Anamneses\";\n";
            server.runSql(server.folder() / "drop.sql");
            patients->moveNext();
            const uint64_t failing = odbc::roundTrips();
            patients->readAhead(64, {{kAnamneses, u"paci_ln_Counter"}});
            EXPECT_THAT(testing::describedError([&] {
                            linked.open(parseSelect(std::u16string(kAnamneses) + patients->value(counter).toText()));
                        }),
                        ::testing::StartsWith("3146: Falha na chamada ODBC."));
            EXPECT_EQ(odbc::roundTrips() - failing, 2u);  // the next four patients, and their anamneses
            break;
        }
    }
    for (auto& numbers : expected) std::sort(numbers.begin(), numbers.end());
    // The first patient's row brought the first four patients; their anamneses came with
    // a statement for the table's columns and one for the four patients, in their order.
    EXPECT_EQ(trips, (std::vector<uint64_t>{2, 0, 0, 0}));
    EXPECT_EQ(asked, (std::vector<std::vector<int64_t>>{expected[0], expected[1]}));
}

#ifndef _WIN32
size_t threadsOfThisProcess() {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++n;
    return n;
}
#endif

TEST_P(OdbcLinks, TheNextBatchIsSentAheadWithTheSameRowsAndItsFailureSurfacesWhereItIsNeeded) {
    testing::TempFolder folder;
    const auto clinicPath = folder.path() / "clinica.mdb";
    // Ten patients A to J, one anamnesis each but F, which has six.
    std::vector<std::pair<std::u16string, int>> patientsWritten;
    for (char16_t letter = u'J'; letter >= u'A'; --letter)
        patientsWritten.emplace_back(u"Paciente " + std::u16string(1, letter), letter == u'F' ? 6 : 1);
    writeClinic(clinicPath, patientsWritten, u"Anam_me_TextoAnamnese");
    const Database jet = Database::open(clinicPath);
    TestServer server(GetParam());
    copyTo(server, jet);

    constexpr std::u16string_view kPatients = u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente";
    constexpr std::u16string_view kAnamneses = u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = ";
    const std::vector<ReadAheadLink> links = {{kAnamneses, u"paci_ln_Counter"}};
    const auto scan = [&](odbc::Server& linked) {
        return linked.open(parseSelect(kPatients), [&](std::u16string_view head, const std::vector<int64_t>& numbers) {
            linked.fetchAhead(parseSelect(std::u16string(head) + u"0"), numbers);
        });
    };
    const auto anamnesesOf = [&](const RowSet& patients) {
        return std::u16string(kAnamneses) + patients.value(patients.find(u"paci_ln_Counter")).toText();
    };

    for (const size_t batch : {1u, 3u, 4u, 1000u}) {
        odbc::Server linked(server.connectString(), u"Pacientes");
        linked.setPatientsPerBatch(batch);
        const std::unique_ptr<RowSet> patients = scan(linked);
        Recordset inFile = jet.openRecordset(kPatients);
        for (; !patients->eof(); patients->moveNext(), inFile.moveNext()) {
            patients->readAhead(64, links);
            // One batch ahead at most: its patients and their anamneses.
            EXPECT_LE(linked.statementsAhead().rowsHeld(), batch + batch + 5) << batch;
            EXPECT_EQ(toUtf8(patients->value(patients->find(u"Paci_tx_NomePaciente")).toText()),
                      toUtf8(inFile.field(u"Paci_tx_NomePaciente").toText()));
            const std::u16string sql = anamnesesOf(*patients);
            EXPECT_EQ(shown(rowsOf(Recordset(linked.open(parseSelect(sql))))), shown(rowsOf(jet.openRecordset(sql))))
                << toUtf8(sql) << " batch " << batch;
        }
        EXPECT_TRUE(inFile.eof());
    }

    // At most five rows a statement: the second batch's anamneses (nine rows) fail in
    // the statements sent ahead, and the error is the one the statement gives when
    // sent in its turn, at the first patient of that batch.
    const auto failure = [&](bool sendAhead) {
        odbc::Server linked(server.connectString(), u"Pacientes");
        linked.setPatientsPerBatch(4);
        linked.setSendAhead(sendAhead);
        const std::unique_ptr<RowSet> patients = scan(linked);
        linked.setMostRowsPerStatement(5);
        std::string found;
        for (int at = 0; !patients->eof() && at < 5; patients->moveNext(), ++at) {
            patients->readAhead(64, links);
            found = testing::describedError([&] { linked.open(parseSelect(anamnesesOf(*patients))); });
        }
        return found;
    };
    EXPECT_EQ(failure(true), "3146: Falha na chamada ODBC. A resposta do servidor passou do limite de 5 linhas ou 1024 MB por consulta.");
    EXPECT_EQ(failure(true), failure(false));

#ifndef _WIN32
    // Closed with the next batch in flight: its thread and statement end with it.
    const size_t threads = threadsOfThisProcess();
    {
        odbc::Server linked(server.connectString(), u"Pacientes");
        linked.setPatientsPerBatch(2);
        const std::unique_ptr<RowSet> patients = scan(linked);
        patients->readAhead(64, links);
    }
    EXPECT_EQ(threadsOfThisProcess(), threads);
#endif
}

TEST_P(OdbcLinks, ManyRowsOfShortColumnsComeARowsetAtATimeWithEveryValueInItsRow) {
    TestServer server(GetParam());
    odbc::Connection connection(server.connectString().substr(5), u"servidor");
    const std::u16string sql =
        GetParam() == ServerKind::PostgreSQL
            ? u"SELECT g AS n, CAST(CASE WHEN g % 3 = 0 THEN NULL ELSE 'ação ' || g END AS varchar(20)) AS t, "
              u"CAST(g AS real) / 4 AS f FROM generate_series(1, 1000) AS g"
            : u"WITH RECURSIVE s(g) AS (SELECT 1 UNION ALL SELECT g + 1 FROM s WHERE g < 1000) SELECT g AS n, "
              u"CAST(CASE WHEN MOD(g, 3) = 0 THEN NULL ELSE CONCAT('ação ', g) END AS CHAR(20)) AS t, "
              u"CAST(g / 4 AS DOUBLE) AS f FROM s";
    const auto rows = connection.fetch(sql);
    ASSERT_EQ(rows->rows.size(), 1000u);
    for (size_t i = 0; i < rows->rows.size(); ++i) {
        const auto& row = rows->rows[i];
        const int64_t n = static_cast<int64_t>(i) + 1;
        ASSERT_EQ(row[0].toDouble(), static_cast<double>(n)) << i;
        if (n % 3 == 0) {
            EXPECT_TRUE(row[1].isNull()) << i;
        } else {
            EXPECT_EQ(toUtf8(row[1].asText()), "ação " + std::to_string(n)) << i;
        }
        EXPECT_EQ(row[2].toDouble(), static_cast<double>(n) / 4) << i;
    }
}

// Both drivers give a text asked for as bytes in UTF-8 as the server holds it, so
// texts are asked for so. A long one, whose characters of two and four bytes fall
// across the room bound for it and across the pieces it is then read in, in a few
// rows of a statement whose other rows come a rowset at a time: every row comes, each
// with its own values.
TEST_P(OdbcLinks, TextsComeAsUtf8WholeAcrossTheRoomBoundAndNoRowIsLostToALongOne) {
    TestServer server(GetParam());
    odbc::Connection connection(server.connectString().substr(5), u"servidor");
    EXPECT_EQ(connection.textEncoding(), odbc::TextEncoding::Utf8);
    std::string pieces;
    for (int i = 0; i < 1500; ++i) pieces += i % 2 ? "\xC3\xA7" : "\xF0\x9F\x98\x80";  // ç, 😀
    const std::u16string longText = u"a" + fromUtf8(pieces);
    const std::u16string literal = u"'" + longText + u"'";
    const std::u16string sql =
        GetParam() == ServerKind::PostgreSQL
            ? u"SELECT CAST(CASE WHEN g % 100 = 50 THEN " + literal +
                  u" ELSE 'curto' END AS text) AS m, CAST('ç' || g AS varchar(20)) AS t "
                  u"FROM generate_series(1, 300) AS g"
            : u"WITH RECURSIVE s(g) AS (SELECT 1 UNION ALL SELECT g + 1 FROM s WHERE g < 300) SELECT "
              u"CAST(CASE WHEN MOD(g, 100) = 50 THEN " + literal +
                  u" ELSE 'curto' END AS CHAR(10000)) AS m, CAST(CONCAT('ç', g) AS CHAR(20)) AS t FROM s";
    const auto rows = connection.fetch(sql);
    ASSERT_EQ(rows->rows.size(), 300u);
    for (size_t i = 0; i < rows->rows.size(); ++i) {
        ASSERT_EQ(rows->rows[i][0].asText(), (i + 1) % 100 == 50 ? longText : u"curto") << i;
        EXPECT_EQ(rows->rows[i][1].asText(), u"ç" + fromUtf8(std::to_string(i + 1))) << i;
    }
}

// A connection binds every statement's columns in the same room: what one statement
// left there (long texts, then shorter ones, nulls and numbers over them) never shows
// in the next one's values.
TEST_P(OdbcLinks, NoValueCarriesOverFromTheStatementBeforeOnTheSameConnection) {
    TestServer server(GetParam());
    odbc::Connection connection(server.connectString().substr(5), u"servidor");
    const bool postgres = GetParam() == ServerKind::PostgreSQL;
    const auto series = [&](int rows, std::u16string_view columns) {
        return postgres ? u"SELECT " + std::u16string(columns) + u" FROM generate_series(1, " +
                              fromUtf8(std::to_string(rows)) + u") AS g"
                        : u"WITH RECURSIVE s(g) AS (SELECT 1 UNION ALL SELECT g + 1 FROM s WHERE g < " +
                              fromUtf8(std::to_string(rows)) + u") SELECT " + std::u16string(columns) + u" FROM s";
    };
    const std::u16string text = postgres ? u"CAST(repeat('x', 200) || g AS varchar(250))"
                                         : u"CAST(CONCAT(REPEAT('x', 200), g) AS CHAR(250))";
    const auto wide = connection.fetch(series(300, text + u" AS t, " + text + u" AS u"));
    ASSERT_EQ(wide->rows.size(), 300u);
    EXPECT_EQ(wide->rows[299][1].asText(), std::u16string(200, u'x') + u"300");

    const std::u16string shortText = postgres ? u"CAST(CASE WHEN g % 2 = 0 THEN NULL ELSE 'é' || g END AS varchar(10))"
                                              : u"CAST(CASE WHEN MOD(g, 2) = 0 THEN NULL ELSE CONCAT('é', g) END AS CHAR(10))";
    const auto narrow = connection.fetch(series(300, u"g AS n, " + shortText + u" AS t"));
    ASSERT_EQ(narrow->rows.size(), 300u);
    for (size_t i = 0; i < narrow->rows.size(); ++i) {
        const auto& row = narrow->rows[i];
        EXPECT_EQ(row[0].toDouble(), static_cast<double>(i + 1)) << i;
        if (i % 2 == 1) {
            EXPECT_TRUE(row[1].isNull()) << i;
        } else {
            EXPECT_EQ(row[1].asText(), u"é" + fromUtf8(std::to_string(i + 1))) << i;
        }
    }
}

TEST_P(OdbcLinks, AStatementTheServerNeverFinishesEndsAtItsDeadline) {
    testing::TempFolder folder;
    TestServer server(GetParam());
    {
        std::ofstream sql(server.folder() / "slow.sql");
        if (GetParam() == ServerKind::PostgreSQL)
            sql << "CREATE VIEW \"Lenta\" AS SELECT 1 AS \"N\" FROM pg_sleep(3600);\n";
        else
            sql << "CREATE VIEW \"Lenta\" AS SELECT SLEEP(3600) AS \"N\";\n";
    }
    server.runSql(server.folder() / "slow.sql");
    // Without Jet's "ODBC;" mark.
    odbc::Connection connection(server.connectString().substr(5), u"servidor");
    connection.setLimits({.time = std::chrono::seconds(2)});
    const auto start = std::chrono::steady_clock::now();
    const std::string failure =
        testing::describedError([&] { connection.fetch(u"SELECT * FROM " + connection.quoted(u"Lenta")); });
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(failure, "3146: Falha na chamada ODBC. O servidor não terminou de responder dentro do tempo limite.");
    // The connection still serves the next statement.
    EXPECT_EQ(connection.fetch(u"SELECT 7")->rows.size(), 1u);

    // An answer past the rows or the bytes a statement may bring.
    const std::u16string many = u"SELECT * FROM (SELECT 1 AS a UNION ALL SELECT 2 UNION ALL SELECT 3) AS t";
    connection.setLimits({.rows = 2});
    EXPECT_EQ(testing::describedError([&] { connection.fetch(many); }),
              "3146: Falha na chamada ODBC. A resposta do servidor passou do limite de 2 linhas ou 1024 MB por consulta.");
    connection.setLimits({.bytes = 100});
    EXPECT_THAT(testing::describedError([&] { connection.fetch(many); }), ::testing::StartsWith("3146: "));
    connection.setLimits({});
    EXPECT_EQ(connection.fetch(many)->rows.size(), 3u);

    // A data source the driver manager does not know.
    const auto frontPath = folder.path() / "servidor.mdb";
    {
        writer::JetWriter file(frontPath, {});
        file.addLink({u"Guias", {}, u"ODBC;DSN=ClinicaQueNaoExiste", u"Guias"});
        file.finish();
    }
    const Database front = Database::open(frontPath);
    EXPECT_EQ(testing::errorNumberOf([&] { front.openRecordset(u"SELECT * FROM Guias"); }), db::kConnectionFailed);
}

INSTANTIATE_TEST_SUITE_P(Servers, OdbcLinks, ::testing::ValuesIn(odbc::testing::serverKinds()),
                         [](const auto& tested) { return odbc::testing::serverName(tested.param); });

}  // namespace
}  // namespace scandrel::db
