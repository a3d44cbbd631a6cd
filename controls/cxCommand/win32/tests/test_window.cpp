#include "controls/cxCommand/win32/tests/test_window.h"

#include <stdexcept>

#include "controls/cxCommand/win32/dib_canvas.h"

namespace scandrel::controls::win32::testing {

Screenshot screenshot(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    Screenshot shot;
    shot.width = client.right;
    shot.height = client.bottom;
    DibCanvas canvas({shot.width, shot.height});
    const HDC source = GetDC(window);
    BitBlt(canvas.dc(), 0, 0, shot.width, shot.height, source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) shot.pixels.push_back(canvas.at(x, y));
    }
    return shot;
}

namespace {

constexpr wchar_t kTestWindowClass[] = L"ScandrelCxCommandTest";

LRESULT CALLBACK testWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        RECT client{};
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

TestWindow::TestWindow() {
    OleInitialize(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = testWindowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kTestWindowClass;
    RegisterClassExW(&windowClass);
    window_ = CreateWindowExW(0, kTestWindowClass, L"cxCommand", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 320, 200,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window_) throw std::runtime_error("no test window");
    edit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 150, 10, 100, 20, window_,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(window_);
    SetFocus(edit_);
    pump();
}

TestWindow::~TestWindow() {
    buttons_.clear();
    DestroyWindow(window_);
    pump(0);
    OleUninitialize();
}

CommandButtonWindow& TestWindow::addButton(const RECT& bounds, const std::u16string& caption) {
    PropertyBag stored;
    stored.write(u"caption", caption);
    stored.write(u"font", StoredFont{u"Arial", 90000, 400, 0});
    stored.write(u"_extentx", 2566);
    stored.write(u"_extenty", 450);
    buttons_.push_back(CommandButtonWindow::create(window_, 100 + static_cast<int>(buttons_.size()), bounds, stored));
    buttons_.back()->onClick([this] { ++clicks; });
    pump();
    return *buttons_.back();
}

void TestWindow::clear() {
    buttons_.clear();
    clicks = 0;
    SetFocus(edit_);
    pump(0);
}

void TestWindow::pump(int milliseconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    MSG message;
    do {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_KEYDOWN && message.wParam == VK_TAB) {
                const bool back = GetKeyState(VK_SHIFT) < 0;
                if (const HWND next = GetNextDlgTabItem(window_, GetFocus(), back)) SetFocus(next);
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(1);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

}  // namespace scandrel::controls::win32::testing
