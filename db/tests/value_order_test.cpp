#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "db/base/value_order.h"
#include "db/odbc/row_order.h"

namespace scandrel::db {
namespace {

odbc::ResultRows oneColumn(std::vector<Value> values) {
    odbc::ResultRows data;
    data.columns.push_back(ColumnInfo{u"Valor", ColumnType::Binary});
    for (Value& v : values) data.rows.push_back({std::move(v)});
    return data;
}

odbc::Picked everyRow(const odbc::ResultRows& data) {
    odbc::Picked all(data.rows.size());
    for (uint32_t i = 0; i < all.size(); ++i) all[i] = i;
    return all;
}

// The order the engine gives a file's rows in ORDER BY.
odbc::Picked engineOrder(const odbc::ResultRows& data, bool descending) {
    std::vector<SortKey> keys;
    for (const auto& row : data.rows) keys.push_back(sortKey(row[0]));
    const std::vector<uint32_t> places = sortedPlaces(keys, descending);
    return odbc::Picked(places.begin(), places.end());
}

TEST(ValueOrder, BytesFromAServerSortAsTheEngineSortsThemByTheirBytes) {
    const odbc::ResultRows data = oneColumn({Value::binary({0x02}), Value::binary({0x01, 0xFF}), Value::null(),
                                             Value::binary({0x01}), Value::binary({0x00, 0x7F}),
                                             Value::binary({0xFF}), Value::binary({0x01})});
    const odbc::Picked ascending = odbc::sortedBy(data, everyRow(data), 0, false);
    EXPECT_EQ(ascending, (odbc::Picked{2, 4, 3, 6, 1, 0, 5}));  // null first; equal bytes keep their order
    EXPECT_EQ(ascending, engineOrder(data, false));
    const odbc::Picked descending = odbc::sortedBy(data, everyRow(data), 0, true);
    EXPECT_EQ(descending, (odbc::Picked{5, 0, 1, 3, 6, 4, 2}));
    EXPECT_EQ(descending, engineOrder(data, true));
}

TEST(ValueOrder, TextsAndNumbersFromAServerSortAsTheEngineSortsThem) {
    const odbc::ResultRows texts =
        oneColumn({Value::text(u"Zélia"), Value::text(u"álvaro"), Value::null(), Value::text(u"Ana"),
                   Value::text(u"ALVARO"), Value::text(u"d'Ávila")});
    EXPECT_EQ(odbc::sortedBy(texts, everyRow(texts), 0, false), (odbc::Picked{2, 4, 1, 3, 5, 0}));
    EXPECT_EQ(odbc::sortedBy(texts, everyRow(texts), 0, false), engineOrder(texts, false));

    const odbc::ResultRows numbers = oneColumn({Value::longValue(7), Value::doubleValue(-1.5), Value::boolean(true),
                                                Value::null(), Value::longValue(0)});
    EXPECT_EQ(odbc::sortedBy(numbers, everyRow(numbers), 0, false), (odbc::Picked{3, 1, 2, 4, 0}));
    EXPECT_EQ(odbc::sortedBy(numbers, everyRow(numbers), 0, false), engineOrder(numbers, false));
}

TEST(ValueOrder, DatesAndYesNoValuesFromAServerSortByValueAsInAFile) {
    const odbc::ResultRows dates =
        oneColumn({Value::date(45000.5), Value::date(36526.0), Value::null(), Value::date(45000.25)});
    EXPECT_EQ(odbc::sortedBy(dates, everyRow(dates), 0, false), (odbc::Picked{2, 1, 3, 0}));
    EXPECT_EQ(odbc::sortedBy(dates, everyRow(dates), 0, true), (odbc::Picked{0, 3, 1, 2}));

    const odbc::ResultRows yesNo = oneColumn({Value::boolean(false), Value::boolean(true), Value::boolean(false)});
    EXPECT_EQ(odbc::sortedBy(yesNo, everyRow(yesNo), 0, false), (odbc::Picked{1, 0, 2}));  // True is -1
}

// A large table is sorted in two halves at once: the whole comes out in order, equal
// keys in the order of their places, across the halves too, either way.
TEST(ValueOrder, ALargeTableComesOutInOrderWithEqualKeysInTheirPlacesOrder) {
    const size_t count = kSortedOnTwoThreadsFrom + 1001;
    std::vector<SortKey> keys;
    const std::u16string names[] = {u"Zélia", u"álvaro", u"Ana", u"ALVARO", u"d'Ávila", u"Ana Maria"};
    for (size_t i = 0; i < count; ++i) {
        if (i % 11 == 0) keys.push_back(sortKey(Value::null()));
        else if (i % 3 == 0) keys.push_back(sortKey(Value::longValue(static_cast<int32_t>(i % 5))));
        else keys.push_back(sortKey(Value::text(names[i % 6])));
    }
    for (const bool descending : {false, true}) {
        const std::vector<uint32_t> order = sortedPlaces(keys, descending);
        ASSERT_EQ(order.size(), count);
        std::vector<bool> seen(count);
        for (const uint32_t place : order) seen[place] = true;
        EXPECT_EQ(std::count(seen.begin(), seen.end(), true), static_cast<std::ptrdiff_t>(count));
        for (size_t i = 1; i < count; ++i) {
            const SortKey& a = keys[order[i - 1]];
            const SortKey& b = keys[order[i]];
            const bool inOrder = descending ? b < a : a < b;
            const bool tied = !(a < b) && !(b < a);
            ASSERT_TRUE(inOrder || (tied && order[i - 1] < order[i])) << descending << " at " << i;
        }
    }
}

TEST(ValueOrder, AWholeNumberIsFoundForEveryKindThatHoldsOneAndForNoOther) {
    EXPECT_EQ(wholeNumber(Value::longValue(42)), 42);
    EXPECT_EQ(wholeNumber(Value::boolean(true)), -1);
    EXPECT_EQ(wholeNumber(Value::doubleValue(3.0)), 3);
    EXPECT_EQ(wholeNumber(Value::doubleValue(3.5)), std::nullopt);
    EXPECT_EQ(wholeNumber(Value::currency(120000)), 12);
    EXPECT_EQ(wholeNumber(Value::currency(125000)), std::nullopt);
    EXPECT_EQ(wholeNumber(Value::text(u"12")), std::nullopt);
    EXPECT_EQ(wholeNumber(Value::binary({12})), std::nullopt);
    EXPECT_EQ(wholeNumber(Value::null()), std::nullopt);
}

}  // namespace
}  // namespace scandrel::db
