#pragma once
// The time of day as the progress display reads it: seconds since local midnight,
// with fractions, in single precision. A scan reads it several times per patient,
// so the local time is taken once and then advanced with a monotonic clock.
#include <chrono>
#include <type_traits>

namespace scandrel::text {

// Remembers the last local time taken and when, by the monotonic clock. It holds no
// callables of its own and is trivially destructible, so it can live in thread-local
// storage without tying the library that holds it to the thread (a thread-local object
// with a destructor keeps a Windows DLL loaded for good).
class TimeOfDayClock {
public:
    // `localTime()` gives seconds since local midnight by the system's local time;
    // `monotonic()` gives a std::chrono::steady_clock::time_point. The local time is
    // taken again after a minute (so that a change of the system's clock or of the time
    // zone shows soon) and whenever the day may have ended.
    template <class LocalTime, class Monotonic>
    float now(LocalTime&& localTime, Monotonic&& monotonic) {
        const std::chrono::steady_clock::time_point at = monotonic();
        if (!stillValid(at)) {
            takenValue_ = localTime();
            takenAt_ = at;
            taken_ = true;
        }
        return static_cast<float>(takenValue_ + elapsedSinceTaken(at));
    }

private:
    bool stillValid(std::chrono::steady_clock::time_point at) const;
    double elapsedSinceTaken(std::chrono::steady_clock::time_point at) const;

    bool taken_ = false;
    std::chrono::steady_clock::time_point takenAt_{};
    double takenValue_ = 0.0;
};

// Seconds since local midnight by the system's local time, which consults the
// time-zone rules on each call.
double localSecondsSinceMidnight();

static_assert(std::is_trivially_destructible_v<TimeOfDayClock>);

}  // namespace scandrel::text
