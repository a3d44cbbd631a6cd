// Rows written before a column was added to their table: the row's own column
// count says how far its null mask goes, and a column past it reads as null, in
// tables whose mask fills its last byte (8 and 16 columns) as in the others.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/jet/row.h"
#include "db/jet/table_def.h"

namespace scandrel::db::jet {
namespace {

// A row of `columnCount` columns, every one present: column 0 a text of variable
// length holding "ab", columns 1 to columnCount - 1 one byte each in the fixed part,
// holding their numbers. Sizes and offsets take one byte in the oldest files, two
// in the others.
std::vector<uint8_t> rowOf(Generation generation, size_t columnCount) {
    const bool jet3 = generation == Generation::Jet3;
    std::vector<uint8_t> row;
    const auto put = [&](size_t value) {
        row.push_back(static_cast<uint8_t>(value));
        if (!jet3) row.push_back(static_cast<uint8_t>(value >> 8));
    };
    put(columnCount);
    for (size_t c = 1; c < columnCount; ++c) row.push_back(static_cast<uint8_t>(c));
    const size_t start = row.size();
    row.push_back('a');
    row.push_back('b');
    const size_t end = row.size();
    put(end);    // the end of the variable data
    put(start);  // where column 0's value starts
    put(1);      // variable columns in the row
    row.insert(row.end(), (columnCount + 7) / 8, 0xFF);
    return row;
}

Format formatOf(Generation generation) {
    Format format;
    format.generation = generation;
    format.pageSize = generation == Generation::Jet3 ? 2048 : 4096;
    return format;
}

JetColumn column(uint8_t code, size_t number, bool fixed, size_t place) {
    JetColumn c;
    c.code = code;
    c.number = static_cast<uint16_t>(number);
    c.fixed = fixed;
    if (fixed) {
        c.fixedOffset = static_cast<uint16_t>(place);
        c.fixedSize = code == type_code::kLong ? 4 : 1;
    } else {
        c.varIndex = static_cast<uint16_t>(place);
    }
    return c;
}

TEST(AddedColumns, AColumnAddedAfterTheRowWasWrittenReadsAsNull) {
    for (const Generation generation : {Generation::Jet3, Generation::Jet4}) {
        const Format format = formatOf(generation);
        for (const size_t count : {7u, 8u, 9u, 15u, 16u, 17u}) {
            const std::vector<uint8_t> bytes = rowOf(generation, count);
            const Bytes row(bytes.data(), bytes.size());
            SCOPED_TRACE(std::to_string(count) + " columns, " + (generation == Generation::Jet3 ? "Jet 3" : "Jet 4"));

            // The row's own columns read as written.
            const FieldSlice text = fieldSlice(row, format, column(type_code::kText, 0, false, 0));
            ASSERT_EQ(text.state, FieldSlice::State::Data);
            EXPECT_EQ(std::string(text.data.data(), text.data.data() + text.data.size()), "ab");
            const FieldSlice last = fieldSlice(row, format, column(type_code::kByte, count - 1, true, count - 2));
            ASSERT_EQ(last.state, FieldSlice::State::Data);
            EXPECT_EQ(last.data.u8(0), count - 1);

            // Columns added later, of every kind of place in the row.
            EXPECT_EQ(fieldSlice(row, format, column(type_code::kLong, count, true, count - 1)).state,
                      FieldSlice::State::Null);
            EXPECT_EQ(fieldSlice(row, format, column(type_code::kText, count + 1, false, 1)).state,
                      FieldSlice::State::Null);
            EXPECT_EQ(fieldSlice(row, format, column(type_code::kBoolean, count, true, 0)).state,
                      FieldSlice::State::False);
        }
    }
}

}  // namespace
}  // namespace scandrel::db::jet
