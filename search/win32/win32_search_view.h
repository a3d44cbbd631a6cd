#pragma once
// The search run's view over the search window's Win32 controls. While a run
// reports progress for every patient, new result rows and the status line are
// written to their controls at most every 40 ms (the rows of an interval in one go,
// with one repaint; the status line only as the run yields, so it is never seen
// half-written) and the progress bar at most every 250 ms; any other change of
// the window, and the end of the run, brings them up to date first, so what the
// user sees in the end is exact.
// The run's yield lets pending messages run until none is left, at most every
// 5 ms; the first yield of a run always does.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "search/search_view.h"

namespace scandrel::search::win32 {

struct SearchControls {
    HWND form = nullptr;
    HWND txtSearch = nullptr;
    HWND lblResults = nullptr;
    HWND lstResults = nullptr;
    HWND progressBar = nullptr;
    HWND cxFind = nullptr;
    HWND cxCancel = nullptr;
    std::function<void(bool)> enableFind;
};

class Win32SearchView final : public SearchView {
public:
    // `onQuit` runs when the host's quit message turns up while the run lets
    // messages through; the message is posted again for the host's own loop.
    Win32SearchView(SearchControls controls, std::function<void()> onQuit);

    void setFindEnabled(bool enabled) override;
    void setCancelVisible(bool visible) override;
    std::u16string searchText() const override;
    void setSearchText(const std::u16string& text) override;
    void setSearchLocked(bool locked) override;
    void clearResults() override;
    void appendResult(const std::u16string& row) override;
    std::u16string status() const override { return status_; }
    void setStatus(const std::u16string& caption) override;
    void setProgress(double percent) override;
    void showMessage(const std::u16string& text, int32_t style, const std::u16string& title) override;
    void hide() override;
    void doEvents() override;

    // Writes a status or progress still held back to its control.
    void flush();

private:
    void flushRowsAndStatus();
    void flushBar();
    void flushIfDue();

    SearchControls controls_;
    std::function<void()> onQuit_;
    std::vector<std::u16string> pendingRows_;
    std::u16string status_;
    int progress_ = 0;
    bool statusPending_ = false;
    bool progressPending_ = false;
    std::chrono::steady_clock::time_point lastFlush_;
    std::chrono::steady_clock::time_point lastBar_;
    std::chrono::steady_clock::time_point lastPump_;
    bool pumped_ = false;
};

}  // namespace scandrel::search::win32
