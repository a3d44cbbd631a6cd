// Files written here are read back by independent readers (mdb-reader, mdbtools)
// and must list exactly what was written.
#include <gtest/gtest.h>

#include <random>

#include "db/writer/jet_writer.h"
#include "testing/readers.h"
#include "text/error.h"

namespace scandrel::db::writer {
namespace {

using testing::TableRows;
using testing::TempFile;

// Checks the file against every reader present; returns how many of the
// outside readers took part (our own engine always does).
int expectReadersAgree(const std::filesystem::path& file, const std::string& expected) {
    EXPECT_EQ(testing::listWithEngine(file), expected) << "engine";
    int readers = 0;
    if (auto listing = testing::listWithMdbReader(file)) {
        EXPECT_EQ(*listing, expected) << "mdb-reader";
        ++readers;
    }
    if (auto listing = testing::listWithMdbtools(file)) {
        EXPECT_EQ(testing::blurForMdbtools(*listing), testing::blurForMdbtools(expected)) << "mdbtools";
        ++readers;
    }
    return readers;
}

void writeAll(const std::filesystem::path& file, const std::vector<TableDef>& tables,
              const std::vector<TableRows>& rows) {
    JetWriter writer(file, tables);
    for (size_t t = 0; t < tables.size(); ++t) {
        for (const auto& row : rows[t]) writer.addRow(t, row);
    }
    writer.finish();
}

// Random tables and rows covering every column type, nulls, empty texts,
// memos of every storage size and characters well outside Latin-1.
class RandomDatabase {
public:
    explicit RandomDatabase(uint32_t seed) : rng_(seed) {}

    std::u16string text(size_t maxLength) {
        static const std::u16string pool =
            u"abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789 .,;:\"'\\\t\n\r"
            u"áéíóúâêôãõçÁÉÍÓÚÂÊÔÃÕÇàüÿ€ŒœŠ—“”ĀαβγЖжя中文字一丁";
        const size_t length = pick(0, 4) == 0 ? maxLength : pick(0, std::min<size_t>(maxLength, 40));
        std::u16string s;
        // Whole runs of one alphabet too, so both text encodings occur.
        const bool narrow = pick(0, 2) == 0;
        while (s.size() < length) {
            char16_t c = pool[pick(0, pool.size() - 1)];
            if (narrow && c >= 0x100) c = u'x';
            if (c == 0xFEFF) continue;
            s += c;
        }
        return s;
    }

    Value value(const ColumnDef& c) {
        if (c.type != ColumnType::Boolean && pick(0, 5) == 0) return Value::null();
        switch (c.type) {
            case ColumnType::Text: return Value::text(text(c.textLength));
            case ColumnType::Memo: {
                const size_t size = pick(0, 3);
                const size_t limit = size == 0 ? 200 : size == 1 ? 2000 : size == 2 ? 4000 : 30000;
                return Value::text(text(pick(size == 0 ? 0 : limit / 2, limit)));
            }
            case ColumnType::Long: return Value::longValue(static_cast<int32_t>(rng_()));
            case ColumnType::Integer: return Value::integer(static_cast<int16_t>(rng_()));
            case ColumnType::Byte: return Value::byte(static_cast<uint8_t>(rng_()));
            case ColumnType::Boolean: return Value::boolean(rng_() & 1);
            case ColumnType::Double:
                return Value::doubleValue(static_cast<double>(static_cast<int32_t>(rng_())) / 16.0);
            case ColumnType::DateTime:
                // 1900-03-01 to 2099, whole quarter hours: exact in binary, so every
                // reader gives the same second.
                return Value::date(static_cast<double>(pick(61, 73000)) + static_cast<double>(pick(0, 95)) / 96.0);
            default: return Value::null();
        }
    }

    std::vector<TableDef> tables() {
        static const ColumnType types[] = {ColumnType::Text, ColumnType::Memo,    ColumnType::Long,
                                           ColumnType::Integer, ColumnType::Byte, ColumnType::Boolean,
                                           ColumnType::Double, ColumnType::DateTime};
        std::vector<TableDef> out;
        const size_t count = pick(1, 4);
        for (size_t t = 0; t < count; ++t) {
            TableDef table{u"Tabela" + std::u16string(1, static_cast<char16_t>(u'A' + t)) + u"_ção", {}};
            const size_t columns = pick(1, 24);
            for (size_t i = 0; i < columns; ++i) {
                const ColumnType type = types[pick(0, std::size(types) - 1)];
                const uint16_t length = static_cast<uint16_t>(pick(0, 1) ? pick(1, 255) : 255);
                table.columns.push_back({u"Campo" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) +
                                             (i >= 26 ? u"2" : u"") + u"_é",
                                         type, length});
            }
            out.push_back(std::move(table));
        }
        return out;
    }

    TableRows rows(const TableDef& table) {
        TableRows rows;
        const size_t count = pick(0, 3) == 0 ? 0 : pick(1, pick(0, 1) ? 20 : 400);
        for (size_t r = 0; r < count; ++r) {
            std::vector<Value> row;
            for (const ColumnDef& c : table.columns) row.push_back(value(c));
            rows.push_back(std::move(row));
        }
        return rows;
    }

    // Rows that do not fit a page are dropped: a random table may allow them.
    void fill(const std::filesystem::path& file, std::vector<TableDef>& tables, std::vector<TableRows>& rows) {
        JetWriter writer(file, tables);
        rows.clear();
        for (size_t t = 0; t < tables.size(); ++t) {
            rows.emplace_back();
            for (auto& row : this->rows(tables[t])) {
                try {
                    writer.addRow(t, row);
                    rows.back().push_back(std::move(row));
                } catch (const Error& e) {
                    EXPECT_EQ(e.number(), 3047);
                }
            }
        }
        writer.finish();
    }

private:
    size_t pick(size_t low, size_t high) { return std::uniform_int_distribution<size_t>(low, high)(rng_); }
    std::mt19937 rng_;
};

TEST(JetWriter, RandomDatabasesReadTheSameInEveryReader) {
    int readers = 0;
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TempFile file("random.mdb");
        RandomDatabase random(seed);
        std::vector<TableDef> tables = random.tables();
        std::vector<TableRows> rows;
        random.fill(file.path(), tables, rows);
        readers = expectReadersAgree(file.path(), testing::expectedListing(tables, rows));
    }
    if (readers == 0) GTEST_SKIP() << "neither mdb-reader (npm ci --prefix tools) nor mdbtools is installed";
}

TEST(JetWriter, TablesSpreadOverManyPagesAreFound) {
    // Long memos between the data pages spread the table over more pages than a
    // one-row usage map covers; the map then points to map pages.
    TempFile file("spread.mdb");
    const std::vector<TableDef> tables = {
        {u"Longos", {{u"Id", ColumnType::Long}, {u"Texto", ColumnType::Memo}}},
        {u"Vazia", {{u"Id", ColumnType::Long}}},
    };
    std::vector<TableRows> rows(2);
    for (int32_t i = 0; i < 700; ++i) {
        rows[0].push_back({Value::longValue(i), Value::text(std::u16string(3000 + i, u'Ж'))});
    }
    writeAll(file.path(), tables, rows);
    EXPECT_GT(std::filesystem::file_size(file.path()), 1400u * 4096u);
    if (expectReadersAgree(file.path(), testing::expectedListing(tables, rows)) == 0) GTEST_SKIP();
}

TEST(JetWriter, PlaceholderBirthDateBeforeTheCalendarStart) {
    TempFile file("dates.mdb");
    const std::vector<TableDef> tables = {{u"Datas", {{u"Quando", ColumnType::DateTime}}}};
    std::vector<TableRows> rows = {{{Value::date(-328716.0)}, {Value::date(0.0)}, {Value::date(22347.5)}}};
    writeAll(file.path(), tables, rows);
    const std::string expected =
        "TABLE Datas\nCOLUMN Quando datetime\nROW DT:1000-01-01 00:00:00\n"
        "ROW DT:1899-12-30 00:00:00\nROW DT:1961-03-07 12:00:00\n";
    EXPECT_EQ(testing::listWithEngine(file.path()), expected);
    auto listing = testing::listWithMdbReader(file.path());
    if (!listing) GTEST_SKIP() << "mdb-reader not installed (npm ci --prefix tools)";
    EXPECT_EQ(*listing, expected);
}

// Each refusal leaves the writer usable for the next row.
TEST(JetWriter, RefusesWhatItCannotStore) {
    TempFile file("refused.mdb");
    JetWriter writer(file.path(), {{u"T", {{u"Nome", ColumnType::Text, 5},
                                           {u"Ativo", ColumnType::Boolean},
                                           {u"Numero", ColumnType::Byte},
                                           {u"Obs", ColumnType::Memo}}}});
    auto number = [&](std::vector<Value> row) {
        try {
            writer.addRow(0, row);
        } catch (const Error& e) {
            return e.number();
        }
        return 0;
    };
    const Value yes = Value::boolean(true);
    EXPECT_EQ(number({Value::text(u"123456"), yes, Value::null(), Value::null()}), 3163);
    EXPECT_EQ(number({Value::text(u"12345"), Value::null(), Value::null(), Value::null()}), 3162);
    EXPECT_EQ(number({Value::text(u"a"), yes, Value::longValue(256), Value::null()}), 13);
    EXPECT_EQ(number({Value::longValue(1), yes, Value::null(), Value::null()}), 13);
    EXPECT_EQ(number({Value::text(std::u16string(u"a\0b", 3)), yes, Value::null(), Value::null()}), 3163);
    EXPECT_EQ(number({Value::text(u"a"), yes, Value::null(), Value::text(std::u16string(1, u'\xD800'))}), 3163);
    EXPECT_EQ(number({Value::text(u"a"), yes, Value::null(), Value::text(u"\U0001F600")}), 3163);
    EXPECT_EQ(number({Value::text(u"a"), yes}), 3001);
    EXPECT_EQ(number({Value::text(u"12345"), yes, Value::byte(255), Value::text(u"ok")}), 0);
    EXPECT_EQ(writer.rowCount(0), 1u);
}

TEST(JetWriter, RefusesRowsAndDefinitionsTooBigForAPage) {
    TempFile file("big.mdb");
    std::vector<ColumnDef> wide;
    for (int i = 0; i < 10; ++i) wide.push_back({u"C" + std::u16string(1, static_cast<char16_t>(u'0' + i)), ColumnType::Text});
    JetWriter writer(file.path(), {{u"Larga", wide}});
    // Ten full columns of characters that cannot be compressed: 5100 bytes.
    std::vector<Value> row(10, Value::text(std::u16string(255, u'中')));
    try {
        writer.addRow(0, row);
        FAIL() << "row accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 3047);
    }

    std::vector<ColumnDef> many;
    for (int i = 0; i < 200; ++i) many.push_back({u"Coluna_com_um_nome_bem_comprido_" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + std::u16string(1, static_cast<char16_t>(u'A' + i / 26)), ColumnType::Long});
    try {
        JetWriter tooMany(TempFile("many.mdb").path(), {{u"Muitas", many}});
        FAIL() << "definition accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 3190);
    }
    EXPECT_THROW(JetWriter(file.path(), {{u"T", {{u"A", ColumnType::Long}, {u"a", ColumnType::Long}}}}), Error);
    EXPECT_THROW(JetWriter(file.path(), {{u"T", {{u"A", ColumnType::Currency}}}}), Error);
    EXPECT_THROW(JetWriter(file.path(), {{u"T", {{u"A", ColumnType::Text, 256}}}}), Error);
}

TEST(JetWriter, UnfinishedFileIsRemoved) {
    TempFile file("unfinished.mdb");
    {
        JetWriter writer(file.path(), {{u"T", {{u"A", ColumnType::Long}}}});
        writer.addRow(0, {Value::longValue(1)});
        EXPECT_TRUE(std::filesystem::exists(file.path()));
    }
    EXPECT_FALSE(std::filesystem::exists(file.path()));
}

}  // namespace
}  // namespace scandrel::db::writer
