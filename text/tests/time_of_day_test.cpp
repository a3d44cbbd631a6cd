// The time-of-day clock with a local time and a monotonic clock that the test moves.
#include "text/time_of_day.h"

#include <gtest/gtest.h>

#include <chrono>
#include <initializer_list>

namespace scandrel::text {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

struct Clocks {
    double local = 0;  // what the system's local time says now
    int localReads = 0;
    steady_clock::time_point monotonic{};
    TimeOfDayClock clock;

    float now() {
        return clock.now(
            [this] {
                ++localReads;
                return local;
            },
            [this] { return monotonic; });
    }

    // Time passes: the local time and the monotonic clock move together.
    void pass(milliseconds step) {
        monotonic += step;
        local += std::chrono::duration<double>(step).count();
    }
};

// The clock's readings after each step of time, with how often it had taken the
// local time by then.
struct Reading {
    milliseconds after;
    float shown;
    int localReads;
};

void expectReadings(Clocks& c, std::initializer_list<Reading> readings) {
    for (const Reading& r : readings) {
        c.pass(r.after);
        EXPECT_FLOAT_EQ(c.now(), r.shown) << "after " << r.after.count() << " ms";
        EXPECT_EQ(c.localReads, r.localReads) << "after " << r.after.count() << " ms";
    }
}

TEST(TimeOfDayClock, TheLocalTimeIsTakenOnceAMinuteAndAdvancedInBetween) {
    Clocks c;
    c.local = 36000.25;
    expectReadings(c, {{milliseconds(0), 36000.25f, 1},
                       {milliseconds(500), 36000.75f, 1},
                       {milliseconds(59000), 36059.75f, 1}});
    // The system's clock is set back an hour: within the minute the cache still
    // counts on; once the minute is over the new local time shows.
    c.local -= 3600.0;
    expectReadings(c, {{milliseconds(400), 36060.15f, 1},
                       {milliseconds(600), 32460.75f, 2},
                       {milliseconds(1000), 32461.75f, 2}});
}

TEST(TimeOfDayClock, CrossingMidnightStartsAgainFromZero) {
    Clocks c;
    c.local = 86399.5;
    expectReadings(c, {{milliseconds(0), 86399.5f, 1}, {milliseconds(400), 86399.9f, 1}});
    // Past midnight the advanced value would be 86400.2: the local time is taken again.
    c.pass(milliseconds(300));
    c.local = 0.2;
    expectReadings(c, {{milliseconds(0), 0.2f, 2}, {milliseconds(800), 1.0f, 2}});
}

}  // namespace
}  // namespace scandrel::text
