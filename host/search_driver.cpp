#include "host/search_driver.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "host/message_boxes.h"
#include "host/png_encoder.h"
#include "host/report.h"
#include "host/screenshot.h"
#include "search/win32/search_window_ids.h"
#include "text/utf.h"

namespace scandrel::host {
namespace {

namespace ids = search::win32;

// Often enough for the timing, rarely enough to cost the run nothing worth measuring.
constexpr UINT kTimerMilliseconds = 25;
constexpr std::u16string_view kRunningPrefix = u"Pesquisando";

int64_t now() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

// User and kernel time of this process so far, in seconds.
double processorSeconds() {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>(uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

double secondsBetween(int64_t from, int64_t to) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to - from) / static_cast<double>(frequency.QuadPart);
}

// A key as the keyboard sends it: down, then up (the message loop's
// TranslateMessage turns the down into the character).
void pressKey(HWND control, UINT key) {
    const auto scan = static_cast<LPARAM>(MapVirtualKeyW(key, 0 /* MAPVK_VK_TO_VSC */)) << 16;
    PostMessageW(control, WM_KEYDOWN, key, scan | 1);
    PostMessageW(control, WM_KEYUP, key, scan | 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31));
}

// Characters as they reach a control once the keyboard layout has translated them.
void typeText(HWND control, const std::u16string& text) {
    for (const char16_t c : text) PostMessageW(control, WM_CHAR, c, 1);
}

std::vector<std::u16string> listedRows(HWND list) {
    std::vector<std::u16string> rows;
    const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const auto length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0) continue;
        std::wstring row(static_cast<size_t>(length) + 1, L'\0');
        row.resize(static_cast<size_t>(
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(row.data()))));
        rows.emplace_back(row.begin(), row.end());
    }
    return rows;
}

void writeFile(const std::u16string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("não foi possível gravar " + toUtf8(path));
}

}  // namespace

SearchDriver::SearchDriver(HWND timerWindow, const HostOptions& options, std::function<void(int)> finished)
    : timerWindow_(timerWindow), options_(options), finished_(std::move(finished)) {}

SearchDriver::~SearchDriver() {
    KillTimer(timerWindow_, kTimerId);
}

void SearchDriver::watch() {
    watchStart_ = now();
    SetTimer(timerWindow_, kTimerId, kTimerMilliseconds, nullptr);
}

void SearchDriver::start(HWND searchWindow) {
    searchWindow_ = searchWindow;
    HWND box = GetDlgItem(searchWindow, ids::kTxtSearch);
    typeText(box, *options_.search);
    enterAt_ = now();
    processorAtEnter_ = processorSeconds();
    pressKey(box, VK_RETURN);
}

void SearchDriver::fail(const std::string& reason) {
    report("falha: " + reason);
    finish(kExitFailed);
}

bool SearchDriver::runEnded() const {
    if (!searchWindow_ || !IsWindow(searchWindow_)) return true;
    const bool idle = IsWindowEnabled(GetDlgItem(searchWindow_, ids::kCxFind)) &&
                      !IsWindowVisible(GetDlgItem(searchWindow_, ids::kCxCancel));
    if (!idle) return false;
    const std::u16string status = windowText(GetDlgItem(searchWindow_, ids::kLblResults));
    if (!boxesSeen_.empty()) return true;  // a failed run may leave any status
    return !status.empty() && !status.starts_with(kRunningPrefix);
}

void SearchDriver::handleBoxes() {
    for (const MessageBoxSeen& box : openMessageBoxes()) {
        if (!boxesSeen_.insert(box.window).second) continue;
        report(u"caixa: " + box.title + u": " + box.text);
        dismissMessageBox(box.window);
    }
}

void SearchDriver::onTimer() {
    if (busy_ || phase_ == Phase::Done) return;
    busy_ = true;
    handleBoxes();
    if (secondsBetween(watchStart_, now()) > options_.timeoutSeconds) {
        report("falha: tempo esgotado");
        finish(kExitTimedOut);
    } else if (phase_ == Phase::Searching && searchWindow_ && runEnded()) {
        exitCode_ = reportRun(now(), processorSeconds());
        if (options_.openRow > 0 && exitCode_ == kExitOk) {
            boxesBeforeOpening_ = boxesSeen_.size();
            phase_ = Phase::Opening;
            doubleClickRow();
        } else {
            finish(exitCode_);
        }
    } else if (phase_ == Phase::Opening) {
        // The host reports the patient itself; a box means the opening failed.
        if (boxesSeen_.size() > boxesBeforeOpening_) {
            finish(kExitFailed);
        } else if (patientOpened_) {
            finish(kExitOk);
        }
    }
    busy_ = false;
}

int SearchDriver::reportRun(int64_t endedAt, double processorAtEnd) {
    int exitCode = boxesSeen_.empty() ? kExitOk : kExitFailed;
    if (IsWindow(searchWindow_)) {
        for (const std::u16string& row : listedRows(GetDlgItem(searchWindow_, ids::kLstResults)))
            report(u"resultado: " + row);
        report(u"status: " + windowText(GetDlgItem(searchWindow_, ids::kLblResults)));
    }
    if (options_.time) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "tempo: %.3f", secondsBetween(enterAt_, endedAt));
        report(std::string_view(seconds));
        std::snprintf(seconds, sizeof seconds, "tempo-cpu: %.3f", processorAtEnd - processorAtEnter_);
        report(std::string_view(seconds));
    }
    if (!options_.screenshot.empty()) {
        try {
            if (!IsWindow(searchWindow_) || !IsWindowVisible(searchWindow_))
                throw std::runtime_error("a janela de busca não está visível");
            const RgbImage image = captureClientArea(searchWindow_);
            writeFile(options_.screenshot, encodePng(image));
            report("imagem: " + toUtf8(options_.screenshot) + " " + std::to_string(image.width) + "x" +
                   std::to_string(image.height));
        } catch (const std::exception& e) {
            report(std::string("falha: imagem: ") + e.what());
            exitCode = kExitFailed;
        }
    }
    return exitCode;
}

// A double-click on the row, as the mouse sends it: down, up, double-click, up.
void SearchDriver::doubleClickRow() {
    HWND list = GetDlgItem(searchWindow_, ids::kLstResults);
    RECT item{};
    if (SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(options_.openRow - 1),
                     reinterpret_cast<LPARAM>(&item)) == LB_ERR ||
        options_.openRow > SendMessageW(list, LB_GETCOUNT, 0, 0)) {
        report("falha: a lista não tem a linha " + std::to_string(options_.openRow));
        finish(kExitFailed);
        return;
    }
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
}

void SearchDriver::finish(int exitCode) {
    if (phase_ == Phase::Done) return;
    phase_ = Phase::Done;
    KillTimer(timerWindow_, kTimerId);
    finished_(exitCode);
}

}  // namespace scandrel::host
