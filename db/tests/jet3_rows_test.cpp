// Rows of the oldest file generation, built byte by byte: one-byte offsets made
// longer by a jump table, in rows past 256 and 512 bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/jet/engine.h"
#include "db/jet/row.h"
#include "testing/jet_test_files.h"

namespace scandrel::db::jet {
namespace {

constexpr uint8_t kDummyJump = 0xFF;

// A row laid out as the old engine writes it: column count, fixed part, variable
// data, then (backwards from the end) null mask, variable count, jump table, offset
// table and the end-of-data entry. `values` holds one entry per variable slot of
// the row, deleted columns included.
std::vector<uint8_t> jet3Row(size_t columnCount, size_t fixedSize, const std::vector<std::string>& values) {
    std::vector<uint8_t> data(1 + fixedSize, 0xAB);
    data[0] = static_cast<uint8_t>(columnCount);
    std::vector<size_t> offsets;
    for (const std::string& v : values) {
        offsets.push_back(data.size());
        data.insert(data.end(), v.begin(), v.end());
    }
    offsets.push_back(data.size());  // end of data

    const size_t maskSize = (columnCount + 7) / 8;
    const size_t withoutJumps = data.size() + offsets.size() + 1 + maskSize;
    size_t jumps = 0;
    while ((withoutJumps + jumps - 1) / 256 != jumps) ++jumps;  // one per 256 bytes of the whole row

    std::vector<uint8_t> row = data;
    for (size_t i = offsets.size(); i-- > 0;) row.push_back(static_cast<uint8_t>(offsets[i] & 0xFF));
    for (size_t k = jumps; k >= 1; --k) {
        uint8_t entry = kDummyJump;
        for (size_t i = 0; i < offsets.size(); ++i)
            if (offsets[i] >= 256 * k) {
                entry = static_cast<uint8_t>(i);
                break;
            }
        row.push_back(entry);
    }
    row.push_back(static_cast<uint8_t>(values.size()));
    for (size_t i = 0; i < maskSize; ++i) row.push_back(0xFF);  // every column present
    EXPECT_EQ(row.size(), withoutJumps + jumps);
    return row;
}

JetColumn textColumn(uint16_t number, uint16_t varIndex) {
    JetColumn c;
    c.code = type_code::kText;
    c.number = number;
    c.varIndex = varIndex;
    return c;
}

std::string sliceOf(const std::vector<uint8_t>& row, const JetColumn& column) {
    Format format;
    format.generation = Generation::Jet3;
    format.pageSize = 2048;
    const FieldSlice slice = fieldSlice(Bytes(row.data(), row.size()), format, column);
    EXPECT_EQ(slice.state, FieldSlice::State::Data);
    return std::string(reinterpret_cast<const char*>(slice.data.data()), slice.data.size());
}

// Every variable slot reads back as written; slot i is column number i.
void expectEveryValue(size_t columnCount, size_t fixedSize, const std::vector<std::string>& values) {
    const std::vector<uint8_t> row = jet3Row(columnCount, fixedSize, values);
    for (size_t i = 0; i < values.size(); ++i)
        ASSERT_EQ(sliceOf(row, textColumn(static_cast<uint16_t>(i), static_cast<uint16_t>(i))), values[i])
            << "slot " << i << " of a row of " << row.size() << " bytes";
}

std::string filler(size_t size, char first) {
    std::string s(size, first);
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>(first + static_cast<char>(i % 23));
    return s;
}

// The table that first failed: 75 columns, 25 of them variable, long inline values.
// The whole row grows a byte at a time across 256, 512 and 768, so that the end of
// the variable data, and the offsets after it, meet every jump point from both sides.
TEST(Jet3Rows, WideRowsOfEveryLengthAcrossTheJumpPoints) {
    for (size_t grow = 0; grow < 700; ++grow) {
        std::vector<std::string> values;
        for (size_t i = 0; i < 25; ++i) values.push_back(filler(i == 7 ? grow : (i * 3) % 11, static_cast<char>('a' + i)));
        expectEveryValue(75, 60, values);
    }
}

TEST(Jet3Rows, ValuesBeforeAfterAndAcrossEachJumpPoint) {
    // One value spans two jump points at once: the next one's offset needs both.
    expectEveryValue(10, 20, {filler(100, 'a'), filler(120, 'b'), filler(600, 'c'), filler(5, 'd'), filler(40, 'e')});
    // The fixed part alone is past 256: the first value's offset already needs a jump.
    expectEveryValue(40, 300, {filler(10, 'a'), std::string(), filler(300, 'b'), filler(3, 'c')});
    // Empty values sit on a jump point.
    expectEveryValue(8, 10, {filler(245, 'a'), std::string(), std::string(), filler(30, 'b')});
}

TEST(Jet3Rows, AValueEndingExactlyOnAJumpPoint) {
    // Count byte + 15 fixed + 240 = 256: the second value starts on the first jump point.
    const std::vector<std::string> values = {filler(240, 'a'), filler(50, 'b'), filler(256, 'c'), filler(9, 'd')};
    const std::vector<uint8_t> row = jet3Row(12, 15, values);
    ASSERT_EQ(row[row.size() - 2 - 1 - 1], 1);  // the first jump entry names the second value
    for (uint16_t i = 0; i < values.size(); ++i) EXPECT_EQ(sliceOf(row, textColumn(i, i)), values[i]);
}

TEST(Jet3Rows, ADeletedColumnKeepsItsSlot) {
    // Slot 2 belonged to a column deleted after the row was written.
    const std::vector<std::string> values = {filler(200, 'a'), filler(90, 'b'), filler(150, 'x'), filler(220, 'c')};
    const std::vector<uint8_t> row = jet3Row(6, 4, values);
    EXPECT_EQ(sliceOf(row, textColumn(1, 0)), values[0]);
    EXPECT_EQ(sliceOf(row, textColumn(2, 1)), values[1]);
    EXPECT_EQ(sliceOf(row, textColumn(5, 3)), values[3]);
}

TEST(Jet3Rows, TheRowWithATrailingDummyJump) {
    // 1 + 2 + 240 bytes of data, then 26 offsets, 1 jump, count and mask: 272 bytes,
    // so one jump entry is kept although no offset reaches 256.
    std::vector<std::string> values(25);
    values[0] = filler(240, 'a');
    const std::vector<uint8_t> row = jet3Row(8, 2, values);
    ASSERT_EQ(row.size(), 1 + 2 + 240 + 26 + 1 + 1 + 1u);
    EXPECT_EQ(row[row.size() - 3], kDummyJump);
    EXPECT_EQ(sliceOf(row, textColumn(0, 0)), values[0]);
    EXPECT_EQ(sliceOf(row, textColumn(7, 24)), "");
}

TEST(Jet3Rows, OffsetsPastTheRowAreDamage) {
    std::vector<uint8_t> row = jet3Row(4, 4, {filler(300, 'a'), filler(10, 'b')});
    row[1 + 4 + 310] = 0xFF;  // the end of data, with its jump, now lies inside the offsets
    Format format;
    format.generation = Generation::Jet3;
    format.pageSize = 2048;
    EXPECT_THROW(fieldSlice(Bytes(row.data(), row.size()), format, textColumn(1, 1)), CorruptFile);
}

#ifndef _WIN32
struct PipeCloser {
    void operator()(std::FILE* f) const { ::pclose(f); }
};

// The reference reader's CSV of a table; empty when it is not installed or fails.
std::string referenceExport(const std::filesystem::path& file, const std::string& table) {
    std::unique_ptr<std::FILE, PipeCloser> pipe(::popen(("mdb-export '" + file.string() + "' " + table + " 2>/dev/null").c_str(), "r"));
    std::string out;
    if (!pipe) return out;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
    return out;
}

// Rows of every length across the jump points put in a real old file, in place of
// its first table's data page: we and the reference reader read the same texts.
TEST(Jet3Rows, RowsPutInARealFileReadAsTheReferenceReadsThem) {
    SCANDREL_NEED_SAMPLE("testV1997.mdb");
    std::vector<uint8_t> file = db::testing::readAll(samplePath);
    const auto engine = Engine::fromBytes(file, u"testV1997.mdb");
    const auto table = engine->table(u"Table1");
    size_t fixedSize = 0;
    for (const JetColumn& c : table->columns)
        if (c.fixed) fixedSize = std::max<size_t>(fixedSize, c.fixedOffset + c.fixedSize);
    ASSERT_EQ(table->columns[0].varIndex, 0);
    ASSERT_EQ(table->columns[1].varIndex, 1);
    size_t page = 0;
    for (size_t p = 3; p < file.size() / 2048 && page == 0; ++p)
        if (file[p * 2048] == 0x01 && Bytes(file.data(), file.size()).u32(p * 2048 + 4) == table->tdefPage) page = p;
    ASSERT_NE(page, 0u);

    db::testing::TempFolder folder;
    const auto path = folder.path() / "jet3.mdb";
    int compared = 0, dummies = 0;
    std::vector<size_t> ends;  // where the variable data ends: on both sides of 256 and 512
    for (size_t end = 236; end < 262; ++end) ends.push_back(end);
    for (size_t end = 492; end < 518; ++end) ends.push_back(end);
    for (size_t n = 0; n < 2 * ends.size(); ++n) {
        // Each end twice: with a short second value, and with an empty one sitting on
        // the end of the data, as in the built rows above.
        const size_t end = ends[n / 2];
        const std::string second = n % 2 == 0 ? filler(end % 5 + 3, 'A') : std::string();
        const std::string first = filler(end - 1 - fixedSize - second.size(), 'a');
        const std::vector<uint8_t> row = jet3Row(table->columns.size(), fixedSize, {first, second});
        if (row[row.size() - 2 - 1 - (row.size() - 1) / 256] == kDummyJump) ++dummies;
        std::vector<uint8_t> bytes = file;
        uint8_t* p = &bytes[page * 2048];
        std::fill(p + 8, p + 2048, uint8_t{0});
        const size_t start = 2048 - row.size();
        p[8] = 1;  // one row, at the end of the page
        p[10] = static_cast<uint8_t>(start);
        p[11] = static_cast<uint8_t>(start >> 8);
        std::copy(row.begin(), row.end(), p + start);
        db::testing::writeAll(path, bytes);

        const Database db = Database::open(path);
        Recordset rs = db.openRecordset(u"SELECT * FROM Table1");
        ASSERT_EQ(rs.recordCount(), 1);
        const std::u16string ours = rs.field(u"A").asText() + u"," + rs.field(u"B").asText();
        ASSERT_EQ(ours, std::u16string(first.begin(), first.end()) + u"," + std::u16string(second.begin(), second.end()));
        const std::string theirs = referenceExport(path, "Table1");
        if (theirs.empty()) GTEST_SKIP() << "mdbtools (mdb-export) is not installed";
        // The reference writes an empty text as an empty field, unquoted.
        const std::string theirSecond = second.empty() ? std::string() : "\"" + second + "\"";
        ASSERT_NE(theirs.find("\n\"" + first + "\"," + theirSecond + ","), std::string::npos)
            << "a row of " << row.size() << " bytes: " << theirs;
        ++compared;
    }
    EXPECT_EQ(compared, static_cast<int>(2 * ends.size()));
    EXPECT_GT(dummies, 8);
}
#endif

}  // namespace
}  // namespace scandrel::db::jet
