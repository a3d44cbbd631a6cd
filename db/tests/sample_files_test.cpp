// Known values of the real sample databases, as the reference reader prints them.
#include <gtest/gtest.h>

#include "db/database.h"
#include "testing/jet_test_files.h"
#include "text/error.h"

namespace scandrel::db {
namespace {

using testing::errorNumberOf;


std::vector<std::u16string> textColumn(Recordset rs, std::u16string_view field) {
    std::vector<std::u16string> out;
    for (; !rs.eof(); rs.moveNext()) {
        const Value v = rs.field(field);
        out.push_back(v.isNull() ? u"<null>" : v.asText());
    }
    return out;
}

// The same first table in three generations: every ordinary column type.
void expectTypesTable(const Database& db, bool reversed) {
    Recordset rs = db.openRecordset(u"SELECT * FROM Table1");
    ASSERT_EQ(rs.recordCount(), 2);
    if (reversed) rs.moveNext();
    EXPECT_EQ(rs.field(u"a"), Value::text(u"abcdefg"));
    EXPECT_EQ(rs.field(u"B"), Value::text(u"hijklmnop"));
    EXPECT_EQ(rs.field(u"C"), Value::byte(2));
    EXPECT_EQ(rs.field(u"D"), Value::integer(222));
    EXPECT_EQ(rs.field(u"E"), Value::longValue(333333333));
    EXPECT_EQ(rs.field(u"F"), Value::doubleValue(444.555));
    EXPECT_EQ(rs.field(u"G"), Value::date(27293));
    EXPECT_EQ(rs.field(u"H"), Value::currency(35000));
    EXPECT_EQ(rs.field(u"I"), Value::boolean(true));

    const std::vector<ColumnInfo> columns = db.columns(u"table1");
    ASSERT_EQ(columns.size(), 9u);
    EXPECT_EQ(columns[0].name, u"A");
    EXPECT_EQ(columns[0].type, ColumnType::Text);
    EXPECT_EQ(columns[7].type, ColumnType::Currency);
    EXPECT_EQ(columnTypeName(columns[4].type), u"Long Integer");
    EXPECT_EQ(columnTypeName(columns[6].type), u"DateTime");
    EXPECT_EQ(db.tableNames(), (std::vector<std::u16string>{u"Table1", u"Table2", u"Table3", u"Table4"}));
}

TEST(SampleFiles, Jet4TypesTable) {
    SCANDREL_NEED_SAMPLE("testV2000.mdb");
    const Database db = Database::open(samplePath);
    expectTypesTable(db, false);
    Recordset rs = db.openRecordset(u"SELECT * FROM Table1");
    rs.moveLast();
    EXPECT_EQ(rs.field(u"A"), Value::text(u"a"));
    EXPECT_EQ(rs.field(u"G"), Value::date(29932));
    EXPECT_EQ(rs.field(u"I"), Value::boolean(false));
    EXPECT_EQ(db.columns(u"Table4")[1].type, ColumnType::Guid);
    EXPECT_EQ(db.columns(u"Table1")[0].size, 100);  // characters x 2
}

TEST(SampleFiles, Jet3TypesTable) {
    SCANDREL_NEED_SAMPLE("testV1997.mdb");
    const Database db = Database::open(samplePath);
    expectTypesTable(db, true);
    EXPECT_EQ(db.columns(u"Table1")[0].size, 50);
    EXPECT_EQ(db.columns(u"Table2").size(), 89u);  // wide table
}

TEST(SampleFiles, AceTypesTable) {
    SCANDREL_NEED_SAMPLE("testV2007.accdb");
    expectTypesTable(Database::open(samplePath), true);
}

TEST(SampleFiles, CompressedUnicodeText) {
    SCANDREL_NEED_SAMPLE("testUnicodeCompV2003.mdb");
    const Database db = Database::open(samplePath);
    const std::vector<std::u16string> texts = textColumn(db.openRecordset(u"SELECT * FROM [Table]"), u"Unicode");
    ASSERT_EQ(texts.size(), 8u);
    EXPECT_EQ(texts[0], u"only ascii chars");
    EXPECT_EQ(texts[1], u"ääkkösiä");
    EXPECT_EQ(texts[2], u"Мир");
    EXPECT_EQ(texts[3], u"\u03F0\u03B1\u1F76 \u03C4\u1F79\u03C4' \u1F10\u03B3\u1F7C \u039A\u1F7B\u03F0\u03BB\u03C9\u03C0\u03B1");
    EXPECT_EQ(texts[4], u"漢字仮名交じり文");
    EXPECT_EQ(texts[6], u"ümlaut");
}

TEST(SampleFiles, SurrogatePairsOutsideTheBasicPlane) {
    SCANDREL_NEED_SAMPLE("testEmoticonsV2010.accdb");
    const Database db = Database::open(samplePath);
    Recordset rs = db.openRecordset(u"SELECT * FROM data WHERE key = 128512");
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.field(u"data"), Value::text(u"a\U0001F600a"));
    EXPECT_EQ(db.openRecordset(u"SELECT * FROM data").recordCount(), 80);
}

TEST(SampleFiles, OverflowRowsKeepTheirPlace) {
    for (const char* name : {"overflowTestV1997.mdb", "overflowTestV2000.mdb"}) {
        SCANDREL_NEED_SAMPLE(name);
        const Database db = Database::open(samplePath);
        Recordset rs = db.openRecordset(u"SELECT * FROM Table1");
        EXPECT_EQ(rs.recordCount(), 7) << name;
        EXPECT_EQ(textColumn(db.openRecordset(u"SELECT * FROM Table1"), u"data3"),
                  (std::vector<std::u16string>{u"<null>", u"row2col3", u"row3col3", u"row4col2", u"row5col2",
                                               u"row6col2", u"<null>"}))
            << name;
        rs.moveNext();
        rs.moveNext();
        EXPECT_EQ(rs.field(u"data9"), Value::text(u"row3col9")) << name;
    }
}

TEST(SampleFiles, DeletedColumnsAndRows) {
    for (const char* name : {"delColTestV1997.mdb", "delColTestV2000.mdb"}) {
        SCANDREL_NEED_SAMPLE(name);
        Recordset rs = Database::open(samplePath).openRecordset(u"SELECT * FROM Table1");
        ASSERT_EQ(rs.recordCount(), 2) << name;
        rs.moveLast();
        EXPECT_EQ(rs.field(u"id"), Value::longValue(3));
        EXPECT_EQ(rs.field(u"id2"), Value::longValue(5));
        EXPECT_EQ(rs.field(u"data2"), Value::text(u"bar2"));
    }
    SCANDREL_NEED_SAMPLE("delTestV2000.mdb");
    EXPECT_EQ(textColumn(Database::open(samplePath).openRecordset(u"SELECT * FROM [Table]"), u"a"),
              (std::vector<std::u16string>{u"z", u"v"}));
}

TEST(SampleFiles, FixedLengthTextAndTimes) {
    SCANDREL_NEED_SAMPLE("fixedTextTestV2000.mdb");
    const Database db = Database::open(samplePath);
    Recordset rs = db.openRecordset(u"SELECT * FROM users WHERE i_user_id = 1");
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.field(u"c_user_login"), Value::text(u"CORE USER"));
    EXPECT_EQ(rs.field(u"c_flag_"), Value::text(u"N"));
    EXPECT_EQ(rs.field(u"i_user_merch"), Value::longValue(-1));
    EXPECT_NEAR(rs.field(u"d_stamp_").asDouble(), 40122.987129629626, 1e-9);
    EXPECT_TRUE(db.columns(u"users")[8].fixedLength);
    EXPECT_FALSE(db.columns(u"users")[1].fixedLength);
}

TEST(SampleFiles, FixedPointNumbers) {
    SCANDREL_NEED_SAMPLE("fixedNumericTestV2003.mdb");
    Recordset rs = Database::open(samplePath).openRecordset(u"SELECT * FROM test");
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.field(u"col1"), Value::text(u"some data"));
    const Value::Decimal one = rs.field(u"col2").asDecimal();
    EXPECT_FALSE(one.negative);
    EXPECT_EQ(one.mantissa, (std::array<uint32_t, 3>{1, 0, 0}));
    const Value::Decimal minusOne = rs.field(u"col6").asDecimal();
    EXPECT_TRUE(minusOne.negative);
    EXPECT_EQ(minusOne.mantissa, (std::array<uint32_t, 3>{1, 0, 0}));
    EXPECT_EQ(rs.columns()[1].precision, 18);
    // Fixed-point columns answer lookups by integer value too.
    EXPECT_EQ(Database::open(samplePath).openRecordset(u"SELECT * FROM test WHERE col5 = 4").recordCount(), 1);
}

TEST(SampleFiles, MemosAndLongBinaryOverSeveralPages) {
    SCANDREL_NEED_SAMPLE("test2V2000.mdb");
    Recordset rs = Database::open(samplePath).openRecordset(u"SELECT * FROM MSP_PROJECTS");
    ASSERT_EQ(rs.recordCount(), 1);
    const std::u16string author = rs.field(u"PROJ_PROP_AUTHOR").asText();
    EXPECT_EQ(author.size(), 348u);
    EXPECT_EQ(author.substr(0, 19), u"Jon Iles this is a ");
    EXPECT_EQ(author.substr(author.size() - 12), u"jflksjadf as");
    const Value oleValue = rs.field(u"RESERVED_BINARY_DATA");
    const std::vector<uint8_t>& ole = oleValue.asBinary();
    ASSERT_EQ(ole.size(), 22970u);
    EXPECT_EQ(ole[0], 0x15);
    EXPECT_EQ(ole[1], 0x1C);
    EXPECT_EQ(rs.field(u"PROJ_NAME"), Value::text(u"Project1"));
    EXPECT_EQ(rs.columns().size(), 74u);
}

TEST(SampleFiles, LookupsAndOrderOnIndexedTables) {
    for (const char* name : {"indexTestV1997.mdb", "indexTestV2000.mdb"}) {
        SCANDREL_NEED_SAMPLE(name);
        const Database db = Database::open(samplePath);
        EXPECT_EQ(textColumn(db.openRecordset(u"select * from table1 where OTHERFK1 = 1"), u"data"),
                  (std::vector<std::u16string>{u"baz11", u"baz11-2"}));
        EXPECT_EQ(db.openRecordset(u"SELECT * FROM Table1 WHERE otherfk1 = 7").recordCount(), 0);
        EXPECT_EQ(textColumn(db.openRecordset(u"SELECT * FROM Table1 ORDER BY data DESC"), u"data"),
                  (std::vector<std::u16string>{u"baz13", u"baz11-2", u"baz11", u"baz0"}));
        EXPECT_EQ(textColumn(db.openRecordset(u"SELECT * FROM Table2 ORDER BY id DESC"), u"data"),
                  (std::vector<std::u16string>{u"foo2", u"foo1", u"foo0"}));
    }
}

TEST(SampleFiles, ManyRowsOverManyPages) {
    SCANDREL_NEED_SAMPLE("compIndexTestV2010.accdb");
    const Database db = Database::open(samplePath);
    Recordset rs = db.openRecordset(u"SELECT * FROM Table1 ORDER BY CD_AGENTE DESC");
    EXPECT_EQ(rs.recordCount(), 512);
    int64_t previous = INT64_MAX;
    int rows = 0;
    for (; !rs.eof(); rs.moveNext(), ++rows) {
        const Value v = rs.field(u"cd_agente");
        if (v.isNull()) continue;  // nulls come last when descending
        EXPECT_LE(v.asInteger(), previous);
        previous = v.asInteger();
    }
    EXPECT_EQ(rows, 512);
    EXPECT_EQ(db.openRecordset(u"SELECT * FROM Table1 WHERE CD_AGENTE = 19").recordCount(), 1);
}

TEST(SampleFiles, ErrorsOnARealFile) {
    SCANDREL_NEED_SAMPLE("testV2000.mdb");
    const Database db = Database::open(samplePath);
    EXPECT_EQ(errorNumberOf([&] { db.openRecordset(u"SELECT * FROM Pacientes"); }), db::kTableNotFound);
    EXPECT_EQ(errorNumberOf([&] { db.columns(u"MSysObjects"); }), db::kTableNotFound);
    EXPECT_EQ(errorNumberOf([&] { db.openRecordset(u"SELECT * FROM Table1 WHERE nope = 1"); }),
              db::kFieldNotFound);
    EXPECT_EQ(errorNumberOf([&] { db.openRecordset(u"SELECT * FROM Table1 ORDER BY nope"); }),
              db::kFieldNotFound);
    EXPECT_EQ(errorNumberOf([&] { db.openRecordset(u"SELECT * FROM Table1 WHERE A = 1"); }), 3464);
    EXPECT_EQ(errorNumberOf([&] { db.openRecordset(u"SELECT * FROM Table1").field(u"Z"); }),
              db::kFieldNotFound);

    // An empty table: 3021 on every move and read, EOF from the start.
    Recordset empty = db.openRecordset(u"SELECT * FROM Table3");
    EXPECT_TRUE(empty.eof());
    EXPECT_EQ(empty.recordCount(), 0);
    EXPECT_EQ(errorNumberOf([&] { empty.moveLast(); }), db::kNoCurrentRecord);
    EXPECT_EQ(errorNumberOf([&] { empty.moveFirst(); }), db::kNoCurrentRecord);
    EXPECT_EQ(errorNumberOf([&] { empty.moveNext(); }), db::kNoCurrentRecord);
    EXPECT_EQ(errorNumberOf([&] { empty.field(u"a"); }), db::kNoCurrentRecord);

    // Past the last row.
    Recordset rs = db.openRecordset(u"SELECT * FROM Table1");
    rs.moveLast();
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(errorNumberOf([&] { rs.field(u"A"); }), db::kNoCurrentRecord);
    EXPECT_EQ(errorNumberOf([&] { rs.moveNext(); }), db::kNoCurrentRecord);
    rs.moveFirst();
    EXPECT_FALSE(rs.eof());
}

TEST(SampleFiles, DatabaseAndRecordSetsOutliveEachOther) {
    SCANDREL_NEED_SAMPLE("testV2000.mdb");
    std::optional<Recordset> kept;
    {
        Database db = Database::open(samplePath);
        Database moved = std::move(db);
        kept.emplace(moved.openRecordset(u"SELECT * FROM Table1 WHERE E = 333333333"));
    }
    ASSERT_EQ(kept->recordCount(), 1);
    EXPECT_EQ(kept->field(u"b"), Value::text(u"hijklmnop"));
}

}  // namespace
}  // namespace scandrel::db
