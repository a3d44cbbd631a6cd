// Front-end files whose tables are links to tables of other Jet files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "db/database.h"
#include "db/writer/clinic_writer.h"
#include "db/writer/jet_writer.h"
#include "testing/jet_test_files.h"
#include "text/utf.h"

namespace scandrel::db {
namespace {

using testing::describedError;
using testing::errorNumberOf;
using testing::TempFolder;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using writer::LinkDef;

// Every value of every row, in the order the record set gives them.
std::vector<std::vector<Value>> rowsOf(Recordset rows) {
    std::vector<std::vector<Value>> all;
    for (; !rows.eof(); rows.moveNext()) {
        std::vector<Value> row;
        for (size_t i = 0; i < rows.columns().size(); ++i) row.push_back(rows.value(static_cast<int>(i)));
        all.push_back(std::move(row));
    }
    return all;
}

class LinkedTables : public ::testing::Test {
protected:
    void SetUp() override {
        backEnd_ = folder_.path() / "clinica.mdb";
        writer::ClinicWriter clinic(backEnd_);
        const int32_t bruna = clinic.add(writer::kPacientes, {{u"Paci_tx_NomePaciente", Value::text(u"BRUNA COSTA")}});
        const int32_t ana = clinic.add(writer::kPacientes, {{u"Paci_tx_NomePaciente", Value::text(u"ÁLVARO LIMA")}});
        clinic.add(writer::kPacientes, {{u"Paci_tx_NomePaciente", Value::text(u"ana souza")}});
        clinic.add(writer::kAnamneses, {{u"Anam_ln_Paciente", Value::longValue(ana)},
                                        {u"Anam_tx_Diagnostico1", Value::text(u"asma")}});
        clinic.add(writer::kAnamneses, {{u"Anam_ln_Paciente", Value::longValue(bruna)},
                                        {u"Anam_tx_Diagnostico1", Value::text(u"rinite")}});
        clinic.add(writer::kAnamneses, {{u"Anam_ln_Paciente", Value::longValue(ana)},
                                        {u"Anam_tx_Diagnostico1", Value::text(u"gastrite")}});
        clinic.finish();
    }

    // A front-end with one local table and the given links.
    std::filesystem::path frontEnd(const std::string& name, const std::vector<LinkDef>& links) {
        const std::filesystem::path path = folder_.path() / name;
        writer::JetWriter file(path, {{u"Local", {{u"Nota", ColumnType::Text, 50}}}});
        file.addRow(0, {Value::text(u"só aqui")});
        for (const LinkDef& link : links) file.addLink(link);
        file.finish();
        return path;
    }

    LinkDef jetLink(std::u16string name, const std::filesystem::path& backEnd, std::u16string far = {}) {
        return {name, backEnd.u16string(), {}, far.empty() ? name : far};
    }

    TempFolder folder_;
    std::filesystem::path backEnd_;
};

TEST_F(LinkedTables, QueriesReadTheBackEndsRowsAndLocalTablesStillWork) {
    const auto path = frontEnd("front.mdb", {jetLink(u"Pacientes", backEnd_), jetLink(u"Anamneses", backEnd_)});
    const Database front = Database::open(path);
    const Database back = Database::open(backEnd_);
    EXPECT_THAT(front.tableNames(), ElementsAre(u"Local", u"Pacientes", u"Anamneses"));
    for (const std::u16string_view sql :
         {u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente", u"SELECT * FROM pacientes",
          u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = 2", u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = 1",
          u"SELECT * FROM [Anamneses] WHERE Anam_ln_Paciente = 7 ORDER BY Anam_tx_Diagnostico1 DESC"}) {
        EXPECT_EQ(rowsOf(front.openRecordset(sql)), rowsOf(back.openRecordset(sql))) << toUtf8(sql);
    }
    Recordset local = front.openRecordset(u"SELECT * FROM Local");
    EXPECT_EQ(local.field(u"Nota"), Value::text(u"só aqui"));
    EXPECT_EQ(front.columns(u"PACIENTES").size(), back.columns(u"Pacientes").size());
    EXPECT_EQ(front.linkTarget(u"Pacientes"), backEnd_.u16string());
    EXPECT_EQ(front.linkTarget(u"Local"), u"");
    EXPECT_EQ(errorNumberOf([&] { front.openRecordset(u"SELECT * FROM Guias"); }), db::kTableNotFound);
}

TEST_F(LinkedTables, ALinkNamedOtherwiseReadsTheFarTableAndKeepsNumbersApart) {
    const auto path = frontEnd("front.mdb", {jetLink(u"Pac", backEnd_, u"Pacientes"),
                                            jetLink(u"Diag", backEnd_, u"Anamneses")});
    const Database front = Database::open(path);
    const Database back = Database::open(backEnd_);
    EXPECT_EQ(rowsOf(front.openRecordset(u"SELECT * FROM Pac ORDER BY Paci_tx_NomePaciente DESC")),
              rowsOf(back.openRecordset(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente DESC")));
    // The same statement with another number, the way the search sends it.
    for (int n : {2, 1, 2, 99}) {
        const std::u16string number = fromUtf8(std::to_string(n));
        EXPECT_EQ(rowsOf(front.openRecordset(u"SELECT * FROM Diag WHERE Anam_ln_Paciente = " + number)),
                  rowsOf(back.openRecordset(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = " + number)));
    }
    EXPECT_TRUE(front.openRecordset(u"SELECT * FROM Diag WHERE Anam_ln_Paciente = 99999999999999999999").eof());
    EXPECT_EQ(errorNumberOf([&] { front.openRecordset(u"SELECT * FROM Diag WHERE Nada = 1"); }),
              db::kFieldNotFound);
}

TEST_F(LinkedTables, BackEndsThatAreMissingDamagedOrLackTheTableGiveTheirOwnErrors) {
    const std::filesystem::path missing = folder_.path() / "servidor" / "sumiu.mdb";
    const std::filesystem::path notJet = folder_.path() / "notas.txt";
    std::ofstream(notJet) << std::string(4096, 'x');
    const auto path = frontEnd("front.mdb", {jetLink(u"Pacientes", missing), jetLink(u"Anamneses", notJet),
                                            jetLink(u"Textos", backEnd_, u"NaoExiste")});
    const Database front = Database::open(path);  // back-ends are opened when first asked for
    const std::string gone = describedError([&] { front.openRecordset(u"SELECT * FROM Pacientes"); });
    EXPECT_THAT(gone, ::testing::StartsWith("3024: "));
    EXPECT_THAT(gone, HasSubstr(missing.string()));
    EXPECT_EQ(errorNumberOf([&] { front.columns(u"Pacientes"); }), db::kFileNotFound);
    const std::string damaged = describedError([&] { front.openRecordset(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = 1"); });
    EXPECT_THAT(damaged, ::testing::StartsWith("3343: "));
    EXPECT_THAT(damaged, HasSubstr(notJet.string()));
    const std::string absent = describedError([&] { front.openRecordset(u"SELECT * FROM Textos"); });
    EXPECT_THAT(absent, ::testing::StartsWith("3011: "));
    EXPECT_THAT(absent, HasSubstr("NaoExiste"));
    // The local table is not held back by the broken links.
    EXPECT_FALSE(front.openRecordset(u"SELECT * FROM Local").eof());
}

TEST_F(LinkedTables, ChainsOfLinksAreFollowedAndCirclesEndInAnError) {
    const auto middle = frontEnd("meio.mdb", {jetLink(u"Pacientes", backEnd_)});
    const auto front = frontEnd("front.mdb", {jetLink(u"Pacientes", middle)});
    EXPECT_EQ(rowsOf(Database::open(front).openRecordset(u"SELECT * FROM Pacientes")),
              rowsOf(Database::open(backEnd_).openRecordset(u"SELECT * FROM Pacientes")));

    // a.mdb's Pacientes is b.mdb's, which is a.mdb's again.
    const auto a = folder_.path() / "a.mdb";
    const auto b = frontEnd("b.mdb", {jetLink(u"Pacientes", a)});
    frontEnd("a.mdb", {jetLink(u"Pacientes", b)});
    const Database circle = Database::open(a);
    EXPECT_EQ(errorNumberOf([&] { circle.openRecordset(u"SELECT * FROM Pacientes"); }), 3011);
    EXPECT_EQ(errorNumberOf([&] { circle.columns(u"Pacientes"); }), 3011);
}

TEST_F(LinkedTables, LinksLeftAloneAreListedButNotFollowed) {
    const auto path = frontEnd("front.mdb", {jetLink(u"Pacientes", backEnd_),
                                            {u"Guias", {}, u"ODBC;DRIVER=/tmp/qualquer.so", u"Guias"}});
    const Database front = Database::open(path, LinkPolicy::Ignore);
    EXPECT_THAT(front.tableNames(), ElementsAre(u"Local", u"Pacientes", u"Guias"));
    EXPECT_EQ(errorNumberOf([&] { front.openRecordset(u"SELECT * FROM Pacientes"); }), db::kTableNotFound);
    EXPECT_EQ(errorNumberOf([&] { front.columns(u"Guias"); }), db::kTableNotFound);
    EXPECT_FALSE(front.openRecordset(u"SELECT * FROM Local").eof());
}

TEST_F(LinkedTables, FilesOfUnknownOriginInMemoryLeaveTheirLinksAlone) {
    const auto path = frontEnd("front.mdb", {jetLink(u"Pacientes", backEnd_)});
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const Database front = Database::fromBytes(std::move(bytes));
    EXPECT_THAT(front.tableNames(), ElementsAre(u"Local", u"Pacientes"));
    EXPECT_EQ(errorNumberOf([&] { front.openRecordset(u"SELECT * FROM Pacientes"); }), db::kTableNotFound);
}

TEST_F(LinkedTables, OdbcLinksThatCannotBeUsedAreRefusedNamingTheTableNeverThePassword) {
    const auto path = frontEnd("front.mdb", {{u"Guias", {}, u"ODBC;DRIVER=/tmp/x/evil.so;PWD=Segredo123", u"Guias"},
                                             {u"Textos", {}, u"ODBC;SERVER=10.0.0.5;UID=sa;PWD=Segredo123", u"T"}});
    const Database front = Database::open(path);
    const std::string library = describedError([&] { front.openRecordset(u"SELECT * FROM Guias"); });
    EXPECT_THAT(library, HasSubstr("3151: Falha na conexão ODBC com '/tmp/x/evil.so'. A tabela vinculada 'Guias'"));
    EXPECT_THAT(library, HasSubstr("caminho de arquivo"));
    EXPECT_THAT(library, Not(HasSubstr("Segredo123")));
    const std::string noDsn = describedError([&] { front.columns(u"Textos"); });
    EXPECT_THAT(noDsn, HasSubstr("3151: Falha na conexão ODBC com '10.0.0.5'."));
    EXPECT_THAT(noDsn, Not(HasSubstr("Segredo123")));
    EXPECT_THAT(noDsn, Not(HasSubstr("UID=sa")));
}

TEST_F(LinkedTables, FormsReportsMacrosAndModulesAreNeverTables) {
    const std::filesystem::path path = folder_.path() / "front.mdb";
    {
        writer::JetWriter file(path, {{u"Pacientes", {{u"Nome", ColumnType::Text, 50}}}});
        file.addRow(0, {Value::text(u"ANA")});
        // Reports and tables have separate name spaces: a report may be called "Pacientes".
        file.addObject(u"Pacientes", -32764);
        file.addObject(u"Formulario", -32768);
        file.addObject(u"Macro1", -32766);
        file.addObject(u"Modulo1", -32761);
        file.addObject(u"Pagina1", -32756);
        file.finish();
    }
    const Database front = Database::open(path);
    EXPECT_THAT(front.tableNames(), ElementsAre(u"Pacientes"));
    EXPECT_EQ(front.linkTarget(u"Pacientes"), u"");
    EXPECT_EQ(rowsOf(front.openRecordset(u"SELECT * FROM Pacientes")).size(), 1u);
}

TEST_F(LinkedTables, BackEndPathsWithoutAFolderAreTheFrontEndsNeighbours) {
    const auto path = frontEnd("front.mdb", {{u"Pacientes", u"clinica.mdb", {}, u"Pacientes"}});
    EXPECT_EQ(Database::open(path).openRecordset(u"SELECT * FROM Pacientes").recordCount(), 3);
}

TEST_F(LinkedTables, BackEndGivenWithItsDriveOrRoot) {
    // Under Windows the temporary folder is on a drive ("C:\users\..."), and Wine's
    // drive Z: is the Linux root: both paths name the same back-end there.
    std::vector<std::u16string> paths = {backEnd_.u16string()};
#ifdef _WIN32
    ASSERT_TRUE(backEnd_.has_root_name());
    const std::filesystem::path linuxPath = std::filesystem::path(SCANDREL_SOURCE_DIR);  // "Z:/work/..."
    ASSERT_EQ(linuxPath.root_name(), std::filesystem::path("Z:"));
    const std::filesystem::path onZ = std::filesystem::path(SCANDREL_SOURCE_DIR) / "build" / "win32" / "link-back.mdb";
    std::filesystem::copy_file(backEnd_, onZ, std::filesystem::copy_options::overwrite_existing);
    paths.push_back(onZ.lexically_normal().make_preferred().u16string());
#endif
    for (const std::u16string& backEnd : paths) {
        const auto path = frontEnd("front.mdb", {{u"Pacientes", backEnd, {}, u"Pacientes"}});
        EXPECT_EQ(Database::open(path).openRecordset(u"SELECT * FROM Pacientes").recordCount(), 3) << toUtf8(backEnd);
    }
#ifdef _WIN32
    std::filesystem::remove(onZ);
#endif
}

// Back-end files a database's links may open.
constexpr int kMostBackEnds = 16;

#ifdef __linux__
size_t openFiles() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}
#endif

TEST_F(LinkedTables, OneFileUnderManySpellingsIsOneBackEnd) {
    std::filesystem::create_directories(folder_.path() / "x");
    std::filesystem::create_hard_link(backEnd_, folder_.path() / "mesmo.mdb");
    std::vector<std::u16string> spellings = {backEnd_.u16string(), u"x/../clinica.mdb", u"mesmo.mdb",
                                             (folder_.path() / "." / "clinica.mdb").u16string()};
    for (std::u16string dots = u"./"; spellings.size() < size_t{kMostBackEnds} + 4; dots += u"./")
        spellings.push_back(dots + u"clinica.mdb");
    std::vector<LinkDef> links;
    for (size_t i = 0; i < spellings.size(); ++i)
        links.push_back({u"P" + fromUtf8(std::to_string(i)), spellings[i], {}, u"Pacientes"});
    const Database front = Database::open(frontEnd("front.mdb", links));
#ifdef __linux__
    const size_t before = openFiles();
#endif
    for (const LinkDef& link : links)
        EXPECT_EQ(front.openRecordset(u"SELECT * FROM " + link.name).recordCount(), 3) << toUtf8(link.database);
#ifdef __linux__
    EXPECT_EQ(openFiles(), before + 1);
#endif
}

TEST_F(LinkedTables, BackEndsPastTheMostAre3011NamingTheLink) {
    std::vector<LinkDef> links;
    for (int i = 0; i <= kMostBackEnds; ++i) {
        const auto copy = folder_.path() / ("copia" + std::to_string(i) + ".mdb");
        std::filesystem::copy_file(backEnd_, copy);
        links.push_back(jetLink(u"C" + fromUtf8(std::to_string(i)), copy, u"Pacientes"));
    }
    const Database front = Database::open(frontEnd("front.mdb", links));
    for (int i = 0; i < kMostBackEnds; ++i)
        EXPECT_EQ(front.openRecordset(u"SELECT * FROM " + links[static_cast<size_t>(i)].name).recordCount(), 3);
    const std::string refused = describedError([&] { front.openRecordset(u"SELECT * FROM " + links.back().name); });
    EXPECT_THAT(refused, ::testing::StartsWith("3011: "));
    EXPECT_THAT(refused, HasSubstr("'C16'"));
    // Those opened already go on being read.
    EXPECT_EQ(front.openRecordset(u"SELECT * FROM C0").recordCount(), 3);
}

TEST(LinkWriter, RefusesLinksThatCannotBeRead) {
    TempFolder folder;
    writer::JetWriter file(folder.path() / "x.mdb", {{u"Pacientes", {{u"A", ColumnType::Long}}}});
    EXPECT_NE(errorNumberOf([&] { file.addLink({u"pacientes", u"b.mdb", {}, u"T"}); }), 0);
    EXPECT_NE(errorNumberOf([&] { file.addLink({u"L", u"b.mdb", u"ODBC;DSN=x", u"T"}); }), 0);
    EXPECT_NE(errorNumberOf([&] { file.addLink({u"L", {}, {}, u"T"}); }), 0);
}

}  // namespace
}  // namespace scandrel::db
