#include "text/time_of_day.h"

#include <ctime>

#include "text/progress.h"

namespace scandrel::text {

namespace {
constexpr double kRefreshAfter = 60.0;
constexpr double kDay = 86400.0;
}  // namespace

bool TimeOfDayClock::stillValid(std::chrono::steady_clock::time_point at) const {
    if (!taken_) return false;
    const double elapsed = std::chrono::duration<double>(at - takenAt_).count();
    return elapsed >= 0.0 && elapsed < kRefreshAfter && takenValue_ + elapsed < kDay;
}

double TimeOfDayClock::elapsedSinceTaken(std::chrono::steady_clock::time_point at) const {
    return std::chrono::duration<double>(at - takenAt_).count();
}

double localSecondsSinceMidnight() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto wholeSeconds = floor<seconds>(now);
    const double fraction = duration<double>(now - wholeSeconds).count();
    const std::time_t t = system_clock::to_time_t(wholeSeconds);
    // Only ever called on the user-interface thread, so the shared result of localtime
    // is safe to read.
    const std::tm* local = std::localtime(&t);
    const double sinceMidnight =
        local ? local->tm_hour * 3600.0 + local->tm_min * 60.0 + local->tm_sec
              : static_cast<double>(static_cast<long long>(t) % 86400);
    return sinceMidnight + fraction;
}

float secondsSinceMidnight() {
    thread_local TimeOfDayClock clock;
    return clock.now(localSecondsSinceMidnight, [] { return std::chrono::steady_clock::now(); });
}

}  // namespace scandrel::text
