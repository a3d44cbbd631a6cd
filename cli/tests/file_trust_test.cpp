// What a database file can make the command line do: commands that describe a file
// open nothing it links to, --links decides for the others, and names from the file
// reach a terminal with their control characters escaped.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/terminal_text.h"
#include "cli/tests/run_program.h"
#include "db/database.h"
#include "db/writer/clinic_writer.h"
#include "db/writer/jet_writer.h"
#include "testing/servers/server_copy.h"

namespace {

namespace fs = std::filesystem;
using namespace scandrel;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

class FileTrust : public cli::testing::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        db::writer::ClinicWriter clinic(backEnd());
        clinic.add(db::writer::kPacientes, {{u"Paci_tx_NomePaciente", Value::text(u"ANA SILVA")}});
        clinic.finish();
    }
    fs::path backEnd() const { return dir_ / "clinica.mdb"; }

    // A front-end whose tables are all links to the back-end.
    fs::path frontEnd() {
        const fs::path front = dir_ / "front.mdb";
        db::odbc::testing::writeLinkingFrontEnd(db::Database::open(backEnd()), front, {}, backEnd().u16string());
        return front;
    }

    // A front-end whose Pacientes is a link to the back-end, whose Guias is a link to
    // a back-end that is not there and whose Convenios is an ODBC link that names a
    // library.
    fs::path strangeLinks() {
        const fs::path front = dir_ / "strange.mdb";
        db::writer::JetWriter file(front, {});
        file.addLink({u"Pacientes", backEnd().u16string(), {}, u"Pacientes"});
        file.addLink({u"Guias", u"/mnt/nada/clinica.mdb", {}, u"Guias"});
        file.addLink({u"Convenios", {}, u"ODBC;DRIVER=/tmp/x/evil.so;PWD=Segredo123", u"Convenios"});
        file.finish();
        return front;
    }
};

TEST_F(FileTrust, TablesAndSchemaDescribeTheFileWithoutFollowingItsLinks) {
    const fs::path front = strangeLinks();
    const auto tables = run({"tables", front.string()});
    EXPECT_EQ(tables.status, 0) << tables.err;
    EXPECT_EQ(tables.out, "Pacientes\nGuias\nConvenios\n");

    const auto schema = run({"schema", front.string()});
    EXPECT_EQ(schema.status, 0) << schema.err;
    EXPECT_EQ(schema.out, "Pacientes  (vinculada a " + backEnd().string() +
                              ")\n  (colunas não lidas: este comando não segue vínculos)\n\n"
                              "Guias  (vinculada a /mnt/nada/clinica.mdb)\n"
                              "  (colunas não lidas: este comando não segue vínculos)\n\n"
                              "Convenios  (vinculada a /tmp/x/evil.so)\n"
                              "  (colunas não lidas: este comando não segue vínculos)\n");
    const auto one = run({"schema", front.string(), "guias"});
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_THAT(one.out, StartsWith("Guias  (vinculada a /mnt/nada/clinica.mdb)\n"));
    EXPECT_THAT(run({"schema", front.string(), "Nada"}).err, StartsWith("3078: "));
}

TEST_F(FileTrust, LinksAreFollowedOrLeftAloneAsTheCommandLineSays) {
    const fs::path front = frontEnd();
    EXPECT_EQ(run({"search", front.string(), "silva"}).out, "ANA SILVA\n");
    EXPECT_EQ(run({"search", front.string(), "--links=follow", "silva"}).out, "ANA SILVA\n");
    const auto ignored = run({"search", front.string(), "--links=ignore", "silva"});
    EXPECT_EQ(ignored.out, "");
    EXPECT_THAT(ignored.err, StartsWith("3078: "));

    EXPECT_EQ(run({"export", front.string(), "Pacientes", "--links=ignore"}).err.substr(0, 6), "3078: ");
    EXPECT_THAT(run({"export", "--links=follow", front.string(), "Pacientes"}).out, HasSubstr("ANA SILVA"));
    EXPECT_EQ(run({"text", front.string(), "1", "--links=ignore"}).err.substr(0, 6), "3078: ");
    for (const std::string command : {"search", "export", "text"})
        EXPECT_EQ(run({command, front.string(), "--links=sim", "1"}).status, 2) << command;
    EXPECT_EQ(run({"tables", front.string(), "--links=follow"}).status, 2);

    // An ODBC link that names a library: refused before anything is loaded, naming
    // the table and never the password.
    const auto odbc = run({"export", strangeLinks().string(), "Convenios"});
    EXPECT_EQ(odbc.status, 1);
    EXPECT_THAT(odbc.err, StartsWith("3151: Falha na conexão ODBC com '/tmp/x/evil.so'. A tabela vinculada 'Convenios'"));
    EXPECT_THAT(odbc.err, Not(HasSubstr("Segredo123")));
}

TEST_F(FileTrust, NamesFromTheFileReachTheTerminalWithTheirControlCharactersEscaped) {
    const fs::path path = dir_ / "nomes.mdb";
    {
        db::writer::JetWriter file(path, {});
        file.addLink({u"Pac\x1b]0;x\aientes\u202E", u"/x\x1b[2J\x9b.mdb", {}, u"P"});
        file.finish();
    }
    EXPECT_EQ(run({"tables", path.string()}).out, "Pac\\x1B]0;x\\x07ientes\\u202E\n");
    EXPECT_THAT(run({"schema", path.string()}).out,
                StartsWith("Pac\\x1B]0;x\\x07ientes\\u202E  (vinculada a /x\\x1B[2J\\u009B.mdb)\n"));
}

TEST(TerminalText, EscapesControlsAndBidiOverridesAndKeepsEverythingElse) {
    EXPECT_EQ(cli::terminalSafe("a\x1b[2Jb\x7f\x01"), "a\\x1B[2Jb\\x7F\\x01");
    EXPECT_EQ(cli::terminalSafe("linha\r\n\tx"), "linha\\x0D\\x0A\\x09x");
    EXPECT_EQ(cli::terminalSafe("linha\r\n\tx", true), "linha\r\n\tx");
    EXPECT_EQ(cli::terminalSafe(std::string("a\0b", 3), true), "a\\x00b");
    // C1 controls (U+0080 to U+009F), and the bidirectional overrides and isolates.
    EXPECT_EQ(cli::terminalSafe("\xc2\x9b" "31m \xc2\x85"), "\\u009B31m \\u0085");
    EXPECT_EQ(cli::terminalSafe("\xe2\x80\xaa\xe2\x80\xae\xe2\x81\xa6\xe2\x81\xa9"), "\\u202A\\u202E\\u2066\\u2069");
    // Everything else stays: accents, the characters next to the escaped ranges, a
    // cut sequence at the end.
    EXPECT_EQ(cli::terminalSafe("João \xc2\xa0\xe2\x80\xa9\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xaa \xe2\x80"),
              "João \xc2\xa0\xe2\x80\xa9\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xaa \xe2\x80");
}

}  // namespace
