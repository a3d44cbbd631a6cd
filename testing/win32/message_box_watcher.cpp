#include "testing/win32/message_box_watcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

#include "text/utf.h"

namespace scandrel::testing {

namespace {

constexpr int kTextControl = 0xFFFF;
// The icon's static control: its identifier on Windows, and under Wine.
constexpr int kIconControls[] = {0x14, 0x440};

std::u16string windowText(HWND window) {
    wchar_t buffer[2048] = {};
    // Reads the stored text without sending a message to the box's thread.
    const int length = InternalGetWindowText(window, buffer, 2048);
    return std::u16string(buffer, buffer + (length > 0 ? length : 0));
}

BoxIcon iconOf(HWND box) {
    for (const int id : kIconControls) {
        const HWND control = GetDlgItem(box, id);
        if (!control || !IsWindowVisible(control)) continue;
        DWORD_PTR icon = 0;
        if (!SendMessageTimeoutW(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon) || !icon) continue;
        const auto handle = reinterpret_cast<HICON>(icon);
        if (handle == LoadIconW(nullptr, IDI_HAND)) return BoxIcon::critical;
        if (handle == LoadIconW(nullptr, IDI_EXCLAMATION)) return BoxIcon::exclamation;
        return BoxIcon::other;
    }
    return BoxIcon::none;
}

BOOL CALLBACK collectBox(HWND window, LPARAM found) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[16] = {};
    if (process == GetCurrentProcessId() && GetClassNameW(window, name, 16) && std::wstring(name) == L"#32770" &&
        IsWindowVisible(window)) {
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    }
    return TRUE;
}

}  // namespace

void PrintTo(const SeenBox& box, std::ostream* out) {
    static const char* const icons[] = {"none", "critical", "exclamation", "other"};
    *out << "box \"" << toUtf8(box.title) << "\": \"" << toUtf8(box.text) << "\" ("
         << icons[static_cast<int>(box.icon)] << ")";
}

struct MessageBoxWatcher::State {
    std::mutex mutex;
    std::vector<SeenBox> seen;
    std::set<HWND> handled;
    std::atomic<bool> stop{false};
    std::thread thread;

    void look() {
        std::vector<HWND> boxes;
        EnumWindows(collectBox, reinterpret_cast<LPARAM>(&boxes));
        for (const HWND box : boxes) {
            std::unique_lock lock(mutex);
            if (handled.count(box)) continue;
            handled.insert(box);
            lock.unlock();
            SeenBox record{windowText(box), windowText(GetDlgItem(box, kTextControl)), iconOf(box),
                           GetWindow(box, GW_OWNER)};
            lock.lock();
            seen.push_back(std::move(record));
            lock.unlock();
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        }
        std::lock_guard lock(mutex);
        for (auto it = handled.begin(); it != handled.end();) {
            it = IsWindow(*it) ? std::next(it) : handled.erase(it);
        }
    }
};

MessageBoxWatcher::MessageBoxWatcher() : state_(std::make_shared<State>()) {
    // The first look sets up the window system on this thread, before the watcher
    // exists: done first on the watcher, while this thread loads a library that uses
    // windows (riched20), the two can wait on each other under Wine's loader lock.
    state_->look();
    state_->thread = std::thread([state = state_] {
        while (!state->stop) {
            state->look();
            Sleep(10);
        }
    });
}

MessageBoxWatcher::~MessageBoxWatcher() {
    state_->stop = true;
    state_->thread.join();
    for (const SeenBox& box : state_->seen) ADD_FAILURE() << "unexpected " << ::testing::PrintToString(box);
}

std::vector<SeenBox> MessageBoxWatcher::take() {
    std::lock_guard lock(state_->mutex);
    return std::exchange(state_->seen, {});
}

bool MessageBoxWatcher::waitFor(size_t count, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        {
            std::lock_guard lock(state_->mutex);
            if (state_->seen.size() >= count) return true;
        }
        if (std::chrono::steady_clock::now() >= end) return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(5);
    }
}

}  // namespace scandrel::testing
