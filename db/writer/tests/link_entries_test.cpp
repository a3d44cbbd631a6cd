// Linked-table entries the writer puts in the catalog, as the reference readers see
// them: the file stays a good Jet file, and the entries carry where the rows are.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "testing/readers.h"

namespace scandrel::db::writer {
namespace {

using ::testing::HasSubstr;
using testing::TempFile;

TEST(LinkEntries, ReferenceReadersSeeTheLinksAndTheFileStillReads) {
    if (!testing::detail::available("command -v mdb-export")) GTEST_SKIP() << "mdbtools is not installed";
    TempFile file("links.mdb");
    const std::vector<TableDef> tables = {{u"Local", {{u"Nota", ColumnType::Text, 20}}}};
    const std::vector<testing::TableRows> rows = {{{Value::text(u"aqui")}}};
    {
        JetWriter writer(file.path(), tables);
        writer.addRow(0, rows[0][0]);
        writer.addLink({u"Pacientes", u"\\\\servidor\\dados\\clinica.mdb", {}, u"Pacientes"});
        writer.addLink({u"Guias", {}, u"ODBC;DSN=Clinica;DATABASE=clinica", u"public.guias"});
        writer.finish();
    }
    // mdbtools lists the user tables alone, and reads them as they were written.
    const auto listed = testing::listWithMdbtools(file.path());
    ASSERT_TRUE(listed);
    EXPECT_EQ(testing::blurForMdbtools(*listed), testing::blurForMdbtools(testing::expectedListing(tables, rows)));

    const std::string catalog = testing::detail::run("mdb-export -d '|' " + testing::detail::quote(file.path().string()) +
                                                     " MSysObjects");
    EXPECT_THAT(catalog, HasSubstr("|\"Pacientes\"|6|"));
    EXPECT_THAT(catalog, HasSubstr("\"\\\\servidor\\dados\\clinica.mdb\"||\"Pacientes\""));
    EXPECT_THAT(catalog, HasSubstr("|\"Guias\"|4|"));
    EXPECT_THAT(catalog, HasSubstr("|\"ODBC;DSN=Clinica;DATABASE=clinica\"|\"public.guias\""));

    // Our engine lists them with the tables, and knows where their rows are.
    const Database database = Database::open(file.path());
    EXPECT_THAT(database.tableNames(), ::testing::ElementsAre(u"Local", u"Pacientes", u"Guias"));
    EXPECT_EQ(database.linkTarget(u"pacientes"), u"\\\\servidor\\dados\\clinica.mdb");
    EXPECT_EQ(database.linkTarget(u"Guias"), u"Clinica");
}

TEST(LinkEntries, LongPathsAndConnectionStringsAreReadBackWhole) {
    if (!testing::detail::available("command -v mdb-export")) GTEST_SKIP() << "mdbtools is not installed";
    TempFile file("long-links.mdb");
    // Past 255 characters both are kept on long-value pages of their own.
    const std::u16string path = u"\\\\servidor\\" + std::u16string(300, u'p') + u"\\clinica.mdb";
    const std::u16string connect = u"ODBC;DSN=Clinica;DATABASE=" + std::u16string(300, u'c');
    {
        JetWriter writer(file.path(), {{u"Local", {{u"Nota", ColumnType::Text, 20}}}});
        writer.addLink({u"Pacientes", path, {}, u"Pacientes"});
        writer.addLink({u"Guias", {}, connect, u"public.guias"});
        writer.finish();
    }
    const std::string catalog = testing::detail::run("mdb-export -d '|' " + testing::detail::quote(file.path().string()) +
                                                     " MSysObjects");
    EXPECT_THAT(catalog, HasSubstr("\"" + toUtf8(path) + "\"||\"Pacientes\""));
    EXPECT_THAT(catalog, HasSubstr("|\"" + toUtf8(connect) + "\"|\"public.guias\""));

    const Database database = Database::open(file.path());
    EXPECT_THAT(database.tableNames(), ::testing::ElementsAre(u"Local", u"Pacientes", u"Guias"));
    EXPECT_EQ(database.linkTarget(u"Pacientes"), path);
}

}  // namespace
}  // namespace scandrel::db::writer
