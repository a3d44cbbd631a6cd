// The time-of-day clock with a local time and a monotonic clock that the test moves.
#include "text/time_of_day.h"

#include <gtest/gtest.h>

#include <chrono>

namespace scandrel::text {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

struct Clocks {
    double local = 0;  // what the system's local time says now
    int localReads = 0;
    steady_clock::time_point monotonic{};
    TimeOfDayClock clock{[this] {
                             ++localReads;
                             return local;
                         },
                         [this] { return monotonic; }};

    // Time passes: the local time and the monotonic clock move together.
    void pass(milliseconds step) {
        monotonic += step;
        local += std::chrono::duration<double>(step).count();
    }
};

TEST(TimeOfDayClock, TheLocalTimeIsTakenOnceAMinuteAndAdvancedInBetween) {
    Clocks c;
    c.local = 36000.25;
    EXPECT_FLOAT_EQ(c.clock.now(), 36000.25f);
    c.pass(milliseconds(500));
    EXPECT_FLOAT_EQ(c.clock.now(), 36000.75f);
    c.pass(milliseconds(59000));
    EXPECT_FLOAT_EQ(c.clock.now(), 36059.75f);
    EXPECT_EQ(c.localReads, 1);

    // The system's clock is set back an hour: within the minute the cache still
    // counts on; once the minute is over the new local time shows.
    c.local -= 3600.0;
    c.pass(milliseconds(400));
    EXPECT_FLOAT_EQ(c.clock.now(), 36060.15f);
    EXPECT_EQ(c.localReads, 1);
    c.pass(milliseconds(600));
    EXPECT_FLOAT_EQ(c.clock.now(), 32460.75f);
    EXPECT_EQ(c.localReads, 2);
    c.pass(milliseconds(1000));
    EXPECT_FLOAT_EQ(c.clock.now(), 32461.75f);
    EXPECT_EQ(c.localReads, 2);
}

TEST(TimeOfDayClock, CrossingMidnightStartsAgainFromZero) {
    Clocks c;
    c.local = 86399.5;
    EXPECT_FLOAT_EQ(c.clock.now(), 86399.5f);
    c.pass(milliseconds(400));
    EXPECT_FLOAT_EQ(c.clock.now(), 86399.9f);
    EXPECT_EQ(c.localReads, 1);

    // Past midnight the advanced value would be 86400.2: the local time is taken again.
    c.pass(milliseconds(300));
    c.local = 0.2;
    EXPECT_FLOAT_EQ(c.clock.now(), 0.2f);
    EXPECT_EQ(c.localReads, 2);
    c.pass(milliseconds(800));
    EXPECT_FLOAT_EQ(c.clock.now(), 1.0f);
    EXPECT_EQ(c.localReads, 2);
}

}  // namespace
}  // namespace scandrel::text
