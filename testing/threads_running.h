#pragma once
// The threads of this process, as Linux lists them, for tests that check that no
// thread outlives what started it. A thread just joined may still be listed for a
// moment while the system lets it go, so a test waits for the count to settle.
#ifdef __linux__
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <thread>

namespace scandrel::testing {

inline size_t threadsRunning() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++count;
    return count;
}

// The count once it is down to `expected`, or as it stands after two seconds.
inline size_t threadsRunningOnceSettledTo(size_t expected) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    size_t count = threadsRunning();
    while (count > expected && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        count = threadsRunning();
    }
    return count;
}

}  // namespace scandrel::testing
#endif
