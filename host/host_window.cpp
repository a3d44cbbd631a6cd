#include "host/host_window.h"

#include <algorithm>
#include <string>
#include <vector>

#include "host/host_object.h"
#include "host/patient_card.h"
#include "host/patient_card_text.h"
#include "host/plugin_client.h"
#include "host/report.h"
#include "host/window_class.h"
#include "search/win32/search_window_ids.h"
#include "text/twips.h"
#include "win32/handles.h"
#include "win32/message_box.h"

namespace scandrel::host {
namespace {

constexpr wchar_t kMainClass[] = L"ClinoraMain";
constexpr wchar_t kMainTitle[] = L"Clinora";
constexpr wchar_t kSearchButton[] = L"Pesquisar pacientes";
constexpr int kSearchButtonId = 1;
constexpr UINT kStartMessage = WM_APP + 0x10;
constexpr int kLeft = 20, kTop = 254, kWidth = 360, kHeight = 220;
// The search window's designed client size, in twips.
constexpr int32_t kSearchWidthTwips = 6780, kSearchHeightTwips = 5070;
constexpr int kGap = 8;

BOOL CALLBACK collectSearchWindow(HWND window, LPARAM found) {
    wchar_t type[64] = {};
    GetClassNameW(window, type, 64);
    if (std::wstring_view(type) == search::win32::kSearchWindowClass && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

// The plug-in's visible search windows on this thread.
std::vector<HWND> searchWindows() {
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), collectSearchWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

}  // namespace

HostWindow::HostWindow(HINSTANCE instance, HostOptions options) : options_(std::move(options)) {
    HostObjectSettings settings{options_.access, options_.database, options_.openFails};
    hostObject_ = makeHostObject(settings, [this](int32_t counter) { patientOpened(counter); });
    create(instance);
    if (options_.search) {
        driver_ = std::make_unique<SearchDriver>(window_, options_, [this](int code) { searchFinished(code); });
    }
    if (options_.fire || options_.search) PostMessageW(window_, kStartMessage, 0, 0);
}

HostWindow::~HostWindow() {
    driver_.reset();
    if (window_) DestroyWindow(window_);
}

void HostWindow::create(HINSTANCE instance) {
    registerWindowClass(instance, kMainClass, procedure, COLOR_BTNFACE);
    window_ = CreateWindowExW(0, kMainClass, kMainTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, kLeft, kTop, kWidth,
                              kHeight, nullptr, nullptr, instance, this);
    if (!window_) throw PluginFailure("a janela principal não pôde ser criada");
    HWND button = CreateWindowExW(0, L"BUTTON", kSearchButton, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                  16, 16, 180, 28, window_, reinterpret_cast<HMENU>(kSearchButtonId), instance,
                                  nullptr);
    const std::wstring database = L"Banco de dados: " + std::wstring(options_.database.begin(), options_.database.end());
    HWND label = CreateWindowExW(0, L"STATIC", database.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_PATHELLIPSIS,
                                 16, 56, kWidth - 48, 36, window_, nullptr, instance, nullptr);
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageW(button, WM_SETFONT, font, FALSE);
    SendMessageW(label, WM_SETFONT, font, FALSE);
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
}

LRESULT CALLBACK HostWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<HostWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    try {
        return self->handle(message, wParam, lParam);
    } catch (...) {
        // Nothing unwinds through the platform's message dispatch.
        win32::showFailure(window);
        return 0;
    }
}

LRESULT HostWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kSearchButtonId && HIWORD(wParam) == BN_CLICKED) openSearch();
            return 0;
        case kStartMessage:
            if (driver_) {
                driver_->watch();
                if (HWND search = openSearch())
                    driver_->start(search);
                else
                    driver_->fail("a janela de busca não abriu");
            } else {
                openSearch();
            }
            return 0;
        case WM_TIMER:
            if (wParam == SearchDriver::kTimerId && driver_) driver_->onTimer();
            return 0;
        case WM_DESTROY:
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            window_ = nullptr;
            PostQuitMessage(exitCode_);
            return 0;
        default:
            return DefWindowProcW(window_, message, wParam, lParam);
    }
}

HWND HostWindow::openSearch() {
    try {
        if (!plugin_) plugin_ = createPlugin(options_.byClassId);
        const std::vector<HWND> before = searchWindows();
        callFire(plugin_.get(), hostObject_.get());
        HWND opened = nullptr;
        for (HWND window : searchWindows()) {
            if (std::find(before.begin(), before.end(), window) == before.end()) opened = window;
        }
        if (!opened) return nullptr;  // refused; the plug-in has said why in a box

        RECT frame{};
        GetWindowRect(window_, &frame);
        const win32::WindowDc screen(nullptr);
        const int dpiX = GetDeviceCaps(screen.get(), LOGPIXELSX), dpiY = GetDeviceCaps(screen.get(), LOGPIXELSY);
        callMove(plugin_.get(), pixelsToTwips(frame.right + kGap, dpiX), pixelsToTwips(frame.top, dpiY),
                 kSearchWidthTwips, kSearchHeightTwips);
        return opened;
    } catch (const PluginFailure& e) {
        report(std::string("falha: ") + e.what());
        exitCode_ = kExitFailed;
        return nullptr;
    } catch (const std::bad_alloc&) {
        report("falha: memória insuficiente");
        exitCode_ = kExitFailed;
        return nullptr;
    }
}

void HostWindow::patientOpened(int32_t counter) {
    report("LoadPacienteInterface " + std::to_string(counter));
    if (driver_) driver_->patientOpened();
    showPatientCard(window_, counter, patientCardText(options_.database, counter));
}

void HostWindow::searchFinished(int exitCode) {
    if (exitCode_ == kExitOk) exitCode_ = exitCode;
    if (options_.stay) return;
    for (HWND search : searchWindows()) SendMessageW(search, WM_CLOSE, 0, 0);
    DestroyWindow(window_);
}

}  // namespace scandrel::host
