// Runs the `scandrel` program as a user would: exit statuses, what goes to
// standard output and standard error, and the CSV it writes.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/tests/run_program.h"
#include "db/writer/jet_writer.h"
#include "testing/jet_test_files.h"

namespace {

namespace fs = std::filesystem;
using scandrel::cli::testing::Result;
using scandrel::cli::testing::slurp;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StartsWith;

class Program : public scandrel::cli::testing::ProgramTest {
protected:
    static fs::path shared(const std::string& file) {
        return fs::path(SCANDREL_SHARED_DIR) / "data" / "jet" / file;
    }
};

#define REQUIRE_SHARED(file) SCANDREL_NEED_SAMPLE_AT(shared(file))

TEST_F(Program, UsageErrorsExitWithTwoAndAUsageLine) {
    Result r = run({});
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, StartsWith("uso: scandrel COMANDO"));
    EXPECT_EQ(r.out, "");

    r = run({"frobnicate", "x.mdb"});
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("comando desconhecido: frobnicate"));
    EXPECT_THAT(r.err, HasSubstr("uso: scandrel"));

    r = run({"export", "x.mdb"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "uso: scandrel export DB TABELA [--links=follow|ignore]\n");

    r = run({"tables"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "uso: scandrel tables DB\n");

    r = run({"schema", "a", "b", "c"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "uso: scandrel schema DB [TABELA]\n");

    r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_THAT(r.out, HasSubstr("export DB TABELA"));
    EXPECT_EQ(r.err, "");
}

TEST_F(Program, DatabaseErrorsPrintNumberAndDescriptionAndExitWithOne) {
    const std::string missing = (dir_ / "missing.mdb").string();
    for (const std::string command : {"tables", "schema", "export"}) {
        std::vector<std::string> args{command, missing};
        if (command == "export") args.push_back("Table1");
        const Result r = run(args);
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_THAT(r.err, MatchesRegex("3024: [^\n]+\n")) << command;
        EXPECT_EQ(r.out, "") << command;
    }

    const fs::path notDb = dir_ / "notes.mdb";
    std::ofstream(notDb) << std::string(8192, 'x');
    Result r = run({"tables", notDb.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, MatchesRegex("3343: [^\n]+\n"));

    std::ofstream(dir_ / "empty.mdb").close();
    r = run({"tables", (dir_ / "empty.mdb").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, MatchesRegex("3343: [^\n]+\n"));
}

// A copy that broke off: the catalog, written last, lies past the cut. The clinic's
// 57 MB demo cut at 64 KB, 1 MB and 20 MB, in proportion.
TEST_F(Program, ACopyCutShortIsDamagedNeverEmpty) {
    const fs::path whole = dir_ / "demo.mdb";
    ASSERT_EQ(run({"make-demo", whole.string(), "--patients", "300", "--seed", "7"}).status, 0);
    const std::string bytes = slurp(whole);
    const fs::path cut = dir_ / "cortado.mdb";
    for (const size_t size : {size_t{64} << 10, bytes.size() / 57, bytes.size() * 20 / 57}) {
        std::ofstream(cut, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(size));
        for (const std::string command : {"tables", "schema"}) {
            const Result r = run({command, cut.string()});
            EXPECT_EQ(r.status, 1) << command << " " << size;
            EXPECT_THAT(r.err, MatchesRegex("3343: [^\n]+\n")) << command << " " << size;
            EXPECT_EQ(r.out, "") << command << " " << size;
        }
        const Result r = run({"search", cut.string(), "silva"});
        EXPECT_EQ(r.status, 1) << size;
        EXPECT_THAT(r.err, HasSubstr("não reconhecido")) << size;
    }
}

TEST_F(Program, AFolderIsNotADatabaseFile) {
    const Result r = run({"tables", dir_.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, StartsWith("3343: "));
    EXPECT_THAT(r.err, HasSubstr(dir_.string()));
    EXPECT_THAT(r.err, HasSubstr("pasta"));
}

TEST_F(Program, UnknownTableIsError3078) {
    REQUIRE_SHARED("testV2000.mdb");
    Result r = run({"export", shared("testV2000.mdb").string(), "NoSuchTable"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, MatchesRegex("3078: [^\n]+\n"));
    EXPECT_EQ(r.out, "");

    // A name is a name, never part of a query.
    r = run({"export", shared("testV2000.mdb").string(), "Table1] WHERE [A] = 1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, MatchesRegex("3078: [^\n]+\n"));

    r = run({"schema", shared("testV2000.mdb").string(), "NoSuchTable"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, MatchesRegex("3078: [^\n]+\n"));
}

TEST_F(Program, TablesListsUserTablesOnly) {
    REQUIRE_SHARED("testV2000.mdb");
    Result r = run({"tables", shared("testV2000.mdb").string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Table1\nTable2\nTable3\nTable4\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(Program, SchemaShowsEveryColumnWithItsType) {
    REQUIRE_SHARED("testV2000.mdb");
    Result r = run({"schema", shared("testV2000.mdb").string(), "table1"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "Table1");  // as the catalog spells it
    std::vector<std::string> columns;
    while (std::getline(lines, line)) columns.push_back(line);
    ASSERT_EQ(columns.size(), 9u) << r.out;
    EXPECT_THAT(columns[0], MatchesRegex("  A +Text +50 caracteres"));
    EXPECT_THAT(columns[2], MatchesRegex("  C +Byte +1 byte"));
    EXPECT_THAT(columns[7], MatchesRegex("  H +Currency +8 bytes"));
    // Jet 3 stores a character in a byte, Jet 4 in two: the same column either way.
    REQUIRE_SHARED("testV1997.mdb");
    r = run({"schema", shared("testV1997.mdb").string(), "table1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("  A  Text           50 caracteres\n"));

    // Without a table: every table, separated by empty lines.
    r = run({"schema", shared("testV2000.mdb").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, StartsWith("Table1\n"));
    EXPECT_THAT(r.out, HasSubstr("\n\nTable2\n"));
    EXPECT_THAT(r.out, HasSubstr("\n\nTable4\n"));
}

TEST_F(Program, ExportWritesRfc4180Csv) {
    REQUIRE_SHARED("testV2000.mdb");
    const Result r = run({"export", shared("testV2000.mdb").string(), "Table1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "A,B,C,D,E,F,G,H,I\r\n"
              "\"abcdefg\",\"hijklmnop\",2,222,333333333,444.555,1974-09-21 00:00:00,3.5,1\r\n"
              "\"a\",\"b\",0,0,0,0,1981-12-12 00:00:00,0,0\r\n");
}

TEST_F(Program, ExportKeepsCharactersOutsideTheBasicPlane) {
    REQUIRE_SHARED("testEmoticonsV2010.accdb");
    const Result r = run({"export", shared("testEmoticonsV2010.accdb").string(), "data"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, StartsWith("key,data\r\n128512,\"a\xf0\x9f\x98\x80" "a\"\r\n"));
}

TEST_F(Program, ExportQuotesTextsAndLeavesNullsEmpty) {
    using namespace scandrel;
    using db::ColumnType;
    const fs::path file = dir_ / "quoting.mdb";
    {
        db::writer::JetWriter writer(
            file, {{u"Q", {{u"Id", ColumnType::Long}, {u"Name", ColumnType::Text, 50},
                           {u"Note", ColumnType::Memo}, {u"When", ColumnType::DateTime},
                           {u"Ok", ColumnType::Boolean}, {u"Amount", ColumnType::Double}}}});
        writer.addRow(0, {Value::longValue(1), Value::text(u"say \"hi\", then"),
                          Value::text(u"line 1\r\nline 2\n"), Value::date(27293.5),
                          Value::boolean(true), Value::doubleValue(0.1)});
        writer.addRow(0, {Value::longValue(2), Value::null(), Value::text(u""), Value::null(),
                          Value::boolean(false), Value::null()});
        writer.addRow(0, {Value::longValue(-3), Value::text(u"\u00e7\u00e3o"),
                          Value::text(std::u16string(5000, u'm')), Value::date(-1.25),
                          Value::boolean(false), Value::doubleValue(-1e-300)});
        writer.finish();
    }
    const Result r = run({"export", file.string(), "q"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Id,Name,Note,When,Ok,Amount\r\n"
              "1,\"say \"\"hi\"\", then\",\"line 1\r\nline 2\n\",1974-09-21 12:00:00,1,0.1\r\n"
              "2,,\"\",,0,\r\n"
              "-3,\"\xc3\xa7\xc3\xa3o\",\"" + std::string(5000, 'm') +
                  "\",1899-12-29 06:00:00,0,-1e-300\r\n");
}

TEST_F(Program, AFailedWriteIsReported) {
    REQUIRE_SHARED("testV2000.mdb");
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "/dev/full is absent";
    const Result r = run({"export", shared("testV2000.mdb").string(), "Table2"}, "/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, MatchesRegex("57: [^\n]+\n"));
}

}  // namespace
