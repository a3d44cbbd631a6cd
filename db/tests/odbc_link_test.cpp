// Tables linked through ODBC to a PostgreSQL or MariaDB server the test starts: every
// row of every table reads as the same table of the Jet file the server's data came
// from. Under Wine this goes through Wine's odbc32, the 32-bit unixODBC and the 32-bit
// driver.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "db/database.h"
#include "db/odbc/connection.h"
#include "db/base/errors.h"
#include "db/odbc/server.h"
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
    odbc::testing::writeServerCopy(jet, server.folder() / "copy.sql", GetParam());
    server.runSql(server.folder() / "copy.sql");
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
