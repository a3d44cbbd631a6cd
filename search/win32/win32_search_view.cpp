#include "search/win32/win32_search_view.h"

#include <commctrl.h>

#include <chrono>
#include <cmath>
#include <utility>

#include "search/win32/message_box.h"

namespace scandrel::search::win32 {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStatusInterval = std::chrono::milliseconds(40);
// The common controls' bar takes about 9 ms to repaint under Wine.
constexpr auto kBarInterval = std::chrono::milliseconds(250);
// Looking at the message queue costs tens of microseconds under Wine, a third of a
// patient's time; a run looks at most this often.
constexpr auto kPumpInterval = std::chrono::milliseconds(5);

const wchar_t* wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

}  // namespace

Win32SearchView::Win32SearchView(SearchControls controls, std::function<void()> onQuit)
    : controls_(controls), onQuit_(std::move(onQuit)) {}

void Win32SearchView::setFindEnabled(bool enabled) {
    flush();
    controls_.enableFind(enabled);
}

void Win32SearchView::setCancelVisible(bool visible) {
    flush();
    ShowWindow(controls_.cxCancel, visible ? SW_SHOWNA : SW_HIDE);
}

std::u16string Win32SearchView::searchText() const {
    const int length = GetWindowTextLengthW(controls_.txtSearch);
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    const int copied = GetWindowTextW(controls_.txtSearch, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

void Win32SearchView::setSearchText(const std::u16string& text) {
    flush();
    SetWindowTextW(controls_.txtSearch, wide(text));
}

void Win32SearchView::setSearchLocked(bool locked) {
    flush();
    SendMessageW(controls_.txtSearch, EM_SETREADONLY, locked ? TRUE : FALSE, 0);
}

void Win32SearchView::clearResults() {
    pendingRows_.clear();
    pumped_ = false;  // a new run: its first yield looks at the queue
    flush();
    SendMessageW(controls_.lstResults, LB_RESETCONTENT, 0, 0);
}

void Win32SearchView::appendResult(const std::u16string& row) {
    pendingRows_.push_back(row);
    flushIfDue();
}

// The progress display writes the line twice in a row, the second time with the time
// left; the line reaches its control at the next yield or change of the window, never
// between the two writes.
void Win32SearchView::setStatus(const std::u16string& caption) {
    status_ = caption;
    statusPending_ = true;
}

void Win32SearchView::setProgress(double percent) {
    progress_ = static_cast<int>(std::lround(percent));
    progressPending_ = true;
    flushIfDue();
}

void Win32SearchView::showMessage(const std::u16string& text, int32_t style, const std::u16string& title) {
    flush();
    showMessageBox(text, style, title);
}

void Win32SearchView::hide() {
    flush();
    ShowWindow(controls_.form, SW_HIDE);
}

void Win32SearchView::doEvents() {
    flushIfDue();
    const auto now = Clock::now();
    if (pumped_ && now - lastPump_ < kPumpInterval) return;
    pumped_ = true;
    lastPump_ = now;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The host is quitting: its loop must still see the message.
            PostQuitMessage(static_cast<int>(msg.wParam));
            if (onQuit_) onQuit_();
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Win32SearchView::flush() {
    flushRowsAndStatus();
    flushBar();
}

void Win32SearchView::flushRowsAndStatus() {
    if (!pendingRows_.empty()) {
        // One repaint of the list and its scroll bar for the rows of the interval.
        const HWND list = controls_.lstResults;
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        for (const std::u16string& row : pendingRows_) {
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(row)));
        }
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
        pendingRows_.clear();
    }
    if (statusPending_) {
        SetWindowTextW(controls_.lblResults, wide(status_));
        statusPending_ = false;
    }
    lastFlush_ = Clock::now();
}

void Win32SearchView::flushBar() {
    if (progressPending_) {
        SendMessageW(controls_.progressBar, PBM_SETPOS, static_cast<WPARAM>(progress_), 0);
        progressPending_ = false;
    }
    lastBar_ = Clock::now();
}

void Win32SearchView::flushIfDue() {
    const auto now = Clock::now();
    if (now - lastFlush_ >= kStatusInterval) flushRowsAndStatus();
    if (progressPending_ && now - lastBar_ >= kBarInterval) flushBar();
}

}  // namespace scandrel::search::win32
