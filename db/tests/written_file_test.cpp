// Files written by our own Jet 4 writer: the sort order of names, lookups by
// number on a table spread over many pages, long memos, and an empty table.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "db/database.h"
#include "db/writer/jet_writer.h"
#include "testing/jet_test_files.h"
#include "text/error.h"
#include "text/utf.h"

namespace scandrel::db {
namespace {

using testing::errorNumberOf;

using testing::TempFolder;

const std::vector<std::u16string> kNames = {
    u"Zélia Souza", u"joão silva", u"JOAO SILVA", u"João Silva", u"Álvaro Dias", u"Ana-Maria Lima",
    u"ANA MARIA", u"Conceição", u"Cássio", u"D'Ávila", u"Dalva", u"Joao Silva", u"alvaro dias", u"Ana Lima"};

std::filesystem::path writeClinic(const std::filesystem::path& folder, int patients) {
    const auto file = folder / "clinic.mdb";
    writer::JetWriter out(file, {{u"Pacientes",
                                  {{u"Paci_ln_Counter", ColumnType::Long},
                                   {u"Paci_tx_NomePaciente", ColumnType::Text, 100},
                                   {u"Paci_me_Obs", ColumnType::Memo}}},
                                 {u"Anamneses",
                                  {{u"Anam_ln_Paciente", ColumnType::Long},
                                   {u"Anam_tx_Diagnostico1", ColumnType::Text, 50}}},
                                 {u"Vazia", {{u"x", ColumnType::Long}}}});
    for (int i = 0; i < patients; ++i) {
        const bool named = i < static_cast<int>(kNames.size());
        out.addRow(0, {Value::longValue(i), named ? Value::text(kNames[static_cast<size_t>(i)]) : Value::null(),
                       i % 50 == 0 ? Value::text(std::u16string(5000 + static_cast<size_t>(i), u'm'))
                                   : Value::null()});
        for (int k = 0; k < i % 4; ++k)
            out.addRow(1, {Value::longValue(i), Value::text(u"d" + std::u16string(1, char16_t(u'0' + k)))});
    }
    out.addRow(1, {Value::null(), Value::text(u"orphan")});
    out.finish();
    return file;
}

TEST(WrittenFile, PatientsInTheGeneralSortOrder) {
    TempFolder folder;
    const Database db = Database::open(writeClinic(folder.path(), 20));
    Recordset rs = db.openRecordset(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente");
    rs.moveLast();
    rs.moveFirst();
    ASSERT_EQ(rs.recordCount(), 20);
    std::vector<std::u16string> names;
    for (; !rs.eof(); rs.moveNext()) {
        const Value v = rs.field(u"paci_tx_nomepaciente");
        if (!v.isNull()) names.push_back(v.asText());
        else EXPECT_TRUE(names.empty()) << "nulls come first";
    }
    ASSERT_EQ(names.size(), kNames.size());
    // Letters decide first; then accents (plain before accented); then case (lower
    // before upper); rows equal in every respect keep their physical order.
    EXPECT_EQ(names[0], u"alvaro dias");
    EXPECT_EQ(names[1], u"Álvaro Dias");
    EXPECT_EQ(names[2], u"Ana Lima");
    EXPECT_EQ(names[3], u"ANA MARIA");
    EXPECT_EQ(names[4], u"Ana-Maria Lima");
    EXPECT_EQ(names[5], u"Cássio");
    EXPECT_EQ(names[6], u"Conceição");
    EXPECT_EQ(names[7], u"Dalva");
    EXPECT_EQ(names[8], u"D'Ávila");
    EXPECT_EQ(names[9], u"Joao Silva");
    EXPECT_EQ(names[10], u"JOAO SILVA");
    EXPECT_EQ(names[11], u"joão silva");
    EXPECT_EQ(names[12], u"João Silva");
    EXPECT_EQ(names[13], u"Zélia Souza");
}

TEST(WrittenFile, LookupsByNumberReturnEveryMatchInPhysicalOrder) {
    TempFolder folder;
    const int patients = 3000;
    const Database db = Database::open(writeClinic(folder.path(), patients));
    for (int i : {0, 1, 2, 3, 1234, 2999}) {
        std::u16string sql = u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = ";
        for (char c : std::to_string(i)) sql.push_back(static_cast<char16_t>(c));
        Recordset rs = db.openRecordset(sql);
        ASSERT_EQ(rs.recordCount(), i % 4) << i;
        for (int k = 0; !rs.eof(); rs.moveNext(), ++k) {
            EXPECT_EQ(rs.field(u"Anam_ln_Paciente"), Value::longValue(i));
            EXPECT_EQ(rs.field(u"Anam_tx_Diagnostico1").asText(), u"d" + std::u16string(1, char16_t(u'0' + k)));
        }
    }
    EXPECT_EQ(db.openRecordset(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = -1").recordCount(), 0);
    EXPECT_EQ(db.openRecordset(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = 0").recordCount(), 0);
    EXPECT_EQ(db.openRecordset(u"SELECT * FROM Pacientes WHERE Paci_ln_Counter = 2500").recordCount(), 1);
    Recordset sorted = db.openRecordset(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = 7 ORDER BY "
                                        u"Anam_tx_Diagnostico1 DESC");
    ASSERT_EQ(sorted.recordCount(), 3);
    EXPECT_EQ(sorted.field(u"Anam_tx_Diagnostico1"), Value::text(u"d2"));

    // Long memos on pages of their own, read back whole.
    Recordset memo = db.openRecordset(u"SELECT * FROM Pacientes WHERE Paci_ln_Counter = 2950");
    EXPECT_EQ(memo.field(u"Paci_me_Obs").asText(), std::u16string(7950, u'm'));
    Recordset none = db.openRecordset(u"SELECT * FROM Pacientes WHERE Paci_ln_Counter = 2951");
    EXPECT_TRUE(none.field(u"Paci_me_Obs").isNull());
}

TEST(WrittenFile, AnEmptyTableHasNoCurrentRecord) {
    TempFolder folder;
    const Database db = Database::open(writeClinic(folder.path(), 3));
    EXPECT_EQ(db.tableNames(), (std::vector<std::u16string>{u"Pacientes", u"Anamneses", u"Vazia"}));
    Recordset rs = db.openRecordset(u"SELECT * FROM Vazia ORDER BY x");
    EXPECT_TRUE(rs.eof());
    try {
        rs.moveLast();
        FAIL() << "moved in an empty set";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), db::kNoCurrentRecord);
    }
}


// The same statement sent again and again with another number, as the search does for
// each patient, in forms that read the number alike and forms that do not.
TEST(WrittenFile, RepeatedLookupsWithAnotherNumberEachTime) {
    TempFolder folder;
    const Database db = Database::open(writeClinic(folder.path(), 40));
    const auto count = [&](const std::u16string& sql) { return db.openRecordset(sql).recordCount(); };
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 40; ++i) {
            const std::u16string n = fromUtf8(std::to_string(i));
            ASSERT_EQ(count(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = " + n), i % 4) << i;
            ASSERT_EQ(count(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente=" + n), i % 4) << i;
            ASSERT_EQ(count(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = -" + n), 0) << i;
            ASSERT_EQ(count(u"SELECT * FROM Pacientes WHERE Paci_ln_Counter = 00" + n), 1) << i;
        }
    }
    EXPECT_EQ(count(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = 9223372036854775808"), 0);
    EXPECT_EQ(count(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = 7"), 3);
    EXPECT_EQ(count(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = - 7"), 0);
    EXPECT_EQ(count(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = 41"), 0);
    EXPECT_EQ(count(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = 39 ORDER BY Anam_tx_Diagnostico1 DESC"), 3);
    // Digits joined to a name are no number of their own: the column is another one.
    EXPECT_EQ(errorNumberOf([&] { db.openRecordset(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = x7"); }),
              3075);
    EXPECT_EQ(errorNumberOf([&] { db.openRecordset(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente7"); }),
              3075);
    EXPECT_EQ(errorNumberOf([&] { db.openRecordset(u"SELECT * FROM Anamneses WHERE Anam_ln_Pacient = 7"); }),
              3265);
}

}  // namespace
}  // namespace scandrel::db
