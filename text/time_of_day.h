#pragma once
// The time of day as the progress display reads it: seconds since local midnight,
// with fractions, in single precision. A scan reads it several times per patient,
// so the local time is taken once and then advanced with a monotonic clock.
#include <chrono>
#include <functional>

namespace scandrel::text {

class TimeOfDayClock {
public:
    // Seconds since local midnight by the system's local time.
    using LocalTime = std::function<double()>;
    using Monotonic = std::function<std::chrono::steady_clock::time_point()>;

    TimeOfDayClock(LocalTime localTime, Monotonic monotonic);

    // The local time is taken again after a minute (so that a change of the system's
    // clock or of the time zone shows soon) and whenever the day may have ended.
    float now();

private:
    LocalTime localTime_;
    Monotonic monotonic_;
    bool taken_ = false;
    std::chrono::steady_clock::time_point takenAt_;
    double takenValue_ = 0.0;
};

// Seconds since local midnight by the system's local time, which consults the
// time-zone rules on each call.
double localSecondsSinceMidnight();

}  // namespace scandrel::text
