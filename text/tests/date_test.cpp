#include "text/date.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <tuple>

#include "text/error.h"

namespace scandrel::text {
namespace {

using Fields = std::tuple<int, int, int, int, int, int>;
Fields fields(const DateTime& dt) { return {dt.year, dt.month, dt.day, dt.hour, dt.minute, dt.second}; }
Fields at(double serial) { return fields(dateTimeFromSerial(serial)); }
DateTime make(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) { return {y, mo, d, h, mi, s}; }

TEST(Date, KnownDays) {
    const std::pair<double, Fields> cases[] = {
        {0, {1899, 12, 30, 0, 0, 0}},     {1, {1899, 12, 31, 0, 0, 0}},    {2, {1900, 1, 1, 0, 0, 0}},
        {60, {1900, 2, 28, 0, 0, 0}},     {61, {1900, 3, 1, 0, 0, 0}},     {36526, {2000, 1, 1, 0, 0, 0}},
        {45351, {2024, 2, 29, 0, 0, 0}},  {-1, {1899, 12, 29, 0, 0, 0}},   {-109512, {1600, 2, 29, 0, 0, 0}},
        {-115858, {1582, 10, 15, 0, 0, 0}}, {-328716, {1000, 1, 1, 0, 0, 0}}, {-657434, {100, 1, 1, 0, 0, 0}},
        {2958465, {9999, 12, 31, 0, 0, 0}},
    };
    for (const auto& [serial, expected] : cases) EXPECT_EQ(at(serial), expected) << serial;
}

TEST(Date, TimeOfDayOnBothSidesOfTheBase) {
    // The integer part is the day, the absolute fraction the time.
    EXPECT_EQ(at(36526.75), Fields(2000, 1, 1, 18, 0, 0));
    EXPECT_EQ(at(0.5), Fields(1899, 12, 30, 12, 0, 0));
    EXPECT_EQ(at(-0.5), Fields(1899, 12, 30, 12, 0, 0));
    EXPECT_EQ(at(-1.25), Fields(1899, 12, 29, 6, 0, 0));
    EXPECT_EQ(serialFromDateTime(make(1899, 12, 29, 6)), -1.25);
    EXPECT_EQ(serialFromDateTime(make(1899, 12, 30, 12)), 0.5);
    EXPECT_EQ(serialFromDateTime(make(2000, 1, 1, 18)), 36526.75);
}

TEST(Date, TimeIsRoundedToTheNearestSecond) {
    const double second = 1.0 / 86400;
    EXPECT_EQ(at(100 + 3661.4 * second), Fields(1900, 4, 9, 1, 1, 1));
    EXPECT_EQ(at(100 + 3661.6 * second), Fields(1900, 4, 9, 1, 1, 2));
    EXPECT_EQ(at(100 + 86399.7 * second), Fields(1900, 4, 10, 0, 0, 0));
    EXPECT_EQ(at(-1 - 86399.7 * second), Fields(1899, 12, 30, 0, 0, 0));  // forward in time, too
    EXPECT_EQ(at(-1 - 0.3 * second), Fields(1899, 12, 29, 0, 0, 0));
}

TEST(Date, EveryDayFollowsTheOneBefore) {
    DateTime previous = dateTimeFromSerial(-657434);
    for (int serial = -657433; serial <= 2958465; ++serial) {
        const DateTime dt = dateTimeFromSerial(serial);
        const bool leap = (previous.year % 4 == 0 && previous.year % 100 != 0) || previous.year % 400 == 0;
        // 31 days for January, March, May, July, August, October and December.
        const int monthLength =
            previous.month == 2 ? (leap ? 29 : 28) : 30 + (previous.month + previous.month / 8) % 2;
        if (previous.day < monthLength) {
            ASSERT_EQ(fields(dt), Fields(previous.year, previous.month, previous.day + 1, 0, 0, 0)) << serial;
        } else if (previous.month < 12) {
            ASSERT_EQ(fields(dt), Fields(previous.year, previous.month + 1, 1, 0, 0, 0)) << serial;
        } else {
            ASSERT_EQ(fields(dt), Fields(previous.year + 1, 1, 1, 0, 0, 0)) << serial;
        }
        ASSERT_EQ(serialFromDateTime(dt), serial);
        previous = dt;
    }
    EXPECT_EQ(fields(previous), Fields(9999, 12, 31, 0, 0, 0));
}

TEST(Date, RoundTripsWithTimesOfDay) {
    std::mt19937 rng(99);
    auto below = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    for (int i = 0; i < 20000; ++i) {
        const DateTime dt = make(100 + below(9900), 1 + below(12), 1 + below(28), below(24), below(60), below(60));
        const double serial = serialFromDateTime(dt);
        ASSERT_EQ(at(serial), fields(dt)) << serial;
    }
}

TEST(Date, OutOfRangeIsAnError) {
    const double serials[] = {-657435, 2958466, 2958465.99999999, 1e300,
                              std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()};
    for (double serial : serials) {
        EXPECT_THROW(dateTimeFromSerial(serial), Error) << serial;
    }
    const DateTime invalid[] = {make(99, 12, 31), make(10000, 1, 1), make(1900, 2, 29), make(2023, 13, 1),
                                make(2023, 4, 31), make(2023, 1, 0), make(2023, 1, 1, 24), make(2023, 1, 1, 0, 60)};
    for (const DateTime& dt : invalid) {
        try {
            serialFromDateTime(dt);
            ADD_FAILURE() << dt.year << "-" << dt.month << "-" << dt.day << " " << dt.hour << ":" << dt.minute;
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), errors::kOverflow);
        }
    }
}

TEST(Date, FormatDayMonthYear) {
    EXPECT_EQ(formatDayMonthYear(0), u"30/12/1899");
    EXPECT_EQ(formatDayMonthYear(36526.99), u"01/01/2000");
    EXPECT_EQ(formatDayMonthYear(-328716), u"01/01/1000");
    EXPECT_EQ(formatDayMonthYear(-657434), u"01/01/0100");
    EXPECT_EQ(formatDayMonthYear(2958465.5), u"31/12/9999");
}

}  // namespace
}  // namespace scandrel::text
