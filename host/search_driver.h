#pragma once
// The host's scripted search (--search): types the words into the search box as a
// user would, presses Enter, watches the status line on a timer until the run has
// ended, then reports the listed rows, the status, the time and a PNG of the
// window; with --open it then double-clicks a row and waits for the patient to
// open. Message boxes that appear meanwhile are reported and dismissed.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "host/host_options.h"

namespace scandrel::host {

class SearchDriver {
public:
    // `timerWindow` receives the driver's WM_TIMER (id kTimerId); `finished` is called
    // once with the exit code when everything is reported.
    SearchDriver(HWND timerWindow, const HostOptions& options, std::function<void(int exitCode)> finished);
    ~SearchDriver();
    SearchDriver(const SearchDriver&) = delete;
    SearchDriver& operator=(const SearchDriver&) = delete;

    static constexpr UINT_PTR kTimerId = 0x5CA4;

    // Starts watching for message boxes (call before Fire, which may show one).
    void watch();
    // Types the words into `searchWindow` and presses Enter.
    void start(HWND searchWindow);
    // Gives up: the search window did not open.
    void fail(const std::string& reason);
    void onTimer();
    // The host has been asked to open a patient.
    void patientOpened() { patientOpened_ = true; }

private:
    enum class Phase : uint8_t { Searching, Opening, Done };

    bool runEnded() const;
    // Reports what the run left; returns the exit code so far.
    int reportRun(int64_t endedAt, double processorAtEnd);
    void doubleClickRow();
    void finish(int exitCode);
    void handleBoxes();

    HWND timerWindow_;
    const HostOptions& options_;
    std::function<void(int)> finished_;
    HWND searchWindow_ = nullptr;
    std::set<HWND> boxesSeen_;
    bool busy_ = false;
    Phase phase_ = Phase::Searching;
    bool patientOpened_ = false;
    size_t boxesBeforeOpening_ = 0;
    int exitCode_ = 0;
    int64_t watchStart_ = 0;
    int64_t enterAt_ = 0;
    double processorAtEnter_ = 0;
};

}  // namespace scandrel::host
