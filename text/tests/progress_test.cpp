#include "text/progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "text/error.h"

namespace scandrel::text {
namespace {

struct FakeBar : ProgressBar {
    std::vector<double> values;
    void setValue(double percent) override { values.push_back(percent); }
};

struct FakeLabel : StatusLabel {
    std::vector<std::u16string> written;
    void setCaption(const std::u16string& caption) override { written.push_back(caption); }
    std::u16string caption() const override { return written.empty() ? u"" : written.back(); }
};

struct Shown {
    std::vector<std::u16string> written;  // every caption, in order
    std::vector<double> bar;
    std::size_t clockReads = 0;
    const std::u16string& status() const { return written.back(); }
};

// The clock gives the readings one after the other, then keeps the last.
Shown show(int32_t total, int32_t current, float start, std::vector<float> readings) {
    FakeBar bar;
    FakeLabel label;
    std::size_t reads = 0;
    ShowProgress(total, current, start, bar, label, [&] { return readings[std::min(reads++, readings.size() - 1)]; });
    return {label.written, bar.values, reads};
}

TEST(ShowProgress, WorkedExamples) {
    Shown s = show(1000, 100, 3600, {3620});
    EXPECT_EQ(s.written, (std::vector<std::u16string>{u"Pesquisando... (100/1000, 10%)",
                                                      u"Pesquisando... (100/1000, 10%). 3 minuto(s) restantes."}));
    EXPECT_EQ(s.bar, std::vector<double>{10});
    EXPECT_EQ(s.clockReads, 2u);

    s = show(1000, 950, 3600, {3695});
    EXPECT_EQ(s.status(), u"Pesquisando... (950/1000, 95%). 5 segundos restantes.");
    EXPECT_EQ(s.bar, std::vector<double>{95});
    EXPECT_EQ(s.clockReads, 3u);

    s = show(3, 1, 0, {1});
    EXPECT_EQ(s.status(), u"Pesquisando... (1/3, 33%). 2 segundos restantes.");
    EXPECT_DOUBLE_EQ(s.bar.at(0), 100.0 / 3);
}

TEST(ShowProgress, WholeMinutesFromSixtySecondsUp) {
    EXPECT_EQ(show(4, 2, 0, {59.5f}).status(), u"Pesquisando... (2/4, 50%). 1 minuto(s) restantes.");  // 59.5 s left
    EXPECT_EQ(show(2, 1, 0, {59}).status(), u"Pesquisando... (1/2, 50%). 59 segundos restantes.");
    EXPECT_EQ(show(2, 1, 0, {60}).status(), u"Pesquisando... (1/2, 50%). 1 minuto(s) restantes.");
    EXPECT_EQ(show(10, 1, 0, {100}).status(), u"Pesquisando... (1/10, 10%). 15 minuto(s) restantes.");
    EXPECT_EQ(show(1, 1, 0, {50}).status(), u"Pesquisando... (1/1, 100%). 0 segundos restantes.");
}

TEST(ShowProgress, EachReadingOfTheClockCounts) {
    // The estimate comes from the first reading, the minutes from the second, the seconds
    // from the third.
    EXPECT_EQ(show(2, 1, 0, {61, 63}).status(), u"Pesquisando... (1/2, 50%). 59 segundos restantes.");
    EXPECT_EQ(show(2, 1, 0, {30, 30, 31}).status(), u"Pesquisando... (1/2, 50%). 29 segundos restantes.");
    EXPECT_EQ(show(1, 1, 0, {10, 10.25f, 11}).status(), u"Pesquisando... (1/1, 100%). -1 segundos restantes.");
}

TEST(ShowProgress, RoundsHalvesToEven) {
    EXPECT_EQ(show(8, 1, 0, {1}).written[0], u"Pesquisando... (1/8, 12%)");
    EXPECT_EQ(show(8, 3, 0, {1}).written[0], u"Pesquisando... (3/8, 38%)");
    EXPECT_EQ(show(200, 1, 0, {0}).written[0], u"Pesquisando... (1/200, 0%)");
    EXPECT_EQ(show(200, 3, 0, {0}).written[0], u"Pesquisando... (3/200, 2%)");
    EXPECT_EQ(show(2, 1, 100, {102.5f}).status(), u"Pesquisando... (1/2, 50%). 2 segundos restantes.");
    EXPECT_EQ(show(2, 1, 100, {103.5f}).status(), u"Pesquisando... (1/2, 50%). 4 segundos restantes.");
    EXPECT_EQ(show(1, 1, 0, {10, 10.5f}).status(), u"Pesquisando... (1/1, 100%). 0 segundos restantes.");
    EXPECT_EQ(show(1, 1, 0, {10, 11.5f}).status(), u"Pesquisando... (1/1, 100%). -2 segundos restantes.");
}

TEST(ShowProgress, NegativeTimesShowNegativeSeconds) {
    // Started at 23:59:00, now 00:00:30: the clock went back at midnight.
    EXPECT_EQ(show(100, 10, 86340, {30}).status(), u"Pesquisando... (10/100, 10%). -776790 segundos restantes.");
    EXPECT_EQ(show(10, 5, 0, {10, 200}).status(), u"Pesquisando... (5/10, 50%). -180 segundos restantes.");
}

TEST(ShowProgress, ArithmeticFaultsAreErrors) {
    auto errorOf = [](int32_t total, int32_t current, float reading) {
        FakeBar bar;
        FakeLabel label;
        try {
            ShowProgress(total, current, 0, bar, label, [reading] { return reading; });
        } catch (const Error& e) {
            return e.number();
        }
        return 0;
    };
    EXPECT_EQ(errorOf(10, 0, 5), errors::kDivisionByZero);
    EXPECT_EQ(errorOf(0, 1, 5), errors::kDivisionByZero);
    EXPECT_EQ(errorOf(10, 1, std::numeric_limits<float>::infinity()), errors::kOverflow);
    EXPECT_EQ(errorOf(10, 1, std::numeric_limits<float>::quiet_NaN()), errors::kOverflow);
    EXPECT_EQ(errorOf(2000000000, 1, 3e30f), errors::kOverflow);  // estimate beyond single precision
    EXPECT_EQ(errorOf(1000, 1, 1e7f), errors::kOverflow);          // time left beyond a 32-bit integer
    EXPECT_EQ(errorOf(1000, 1, 1e3f), 0);
}

TEST(ShowProgress, TheClockIsTheTimeOfDay) {
    const float now = secondsSinceMidnight();
    EXPECT_GE(now, 0.0f);
    EXPECT_LT(now, 86401.0f);
}

}  // namespace
}  // namespace scandrel::text
