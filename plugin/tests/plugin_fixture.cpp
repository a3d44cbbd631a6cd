#include "plugin/tests/plugin_fixture.h"

#include "search/win32/search_window_ids.h"

namespace scandrel::plugin::tests {

std::unique_ptr<ComApartment> RegisteredPluginTest::apartment_;
std::unique_ptr<testing::ScopedRegistration> RegisteredPluginTest::registration_;

std::wstring pluginPath() { return testing::fullPath(SCANDREL_PLUGIN_DLL); }

void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

namespace {

struct WindowSearch {
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK collectSearchWindow(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<WindowSearch*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (process == GetCurrentProcessId() && std::wstring(name) == search::win32::kSearchWindowClass &&
        (!search.visibleOnly || IsWindowVisible(window))) {
        search.found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> searchWindows(bool visibleOnly) {
    WindowSearch search{visibleOnly, {}};
    EnumWindows(collectSearchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::vector<HWND> visibleSearchWindows() { return searchWindows(true); }

void closeSearchWindows() {
    for (const HWND window : searchWindows(false)) SendMessageW(window, WM_CLOSE, 0, 0);
    pumpMessages();
}

void RegisteredPluginTest::SetUpTestSuite() {
    apartment_ = std::make_unique<ComApartment>();
    registration_ = std::make_unique<testing::ScopedRegistration>(pluginPath());
}

void RegisteredPluginTest::TearDownTestSuite() {
    registration_.reset();
    apartment_.reset();
}

void RegisteredPluginTest::TearDown() { closeSearchWindows(); }

ComPtr<_Interface> RegisteredPluginTest::createInterface() {
    ComPtr<_Interface> created;
    const HRESULT result =
        CoCreateInstance(CLSID_Interface, nullptr, CLSCTX_INPROC_SERVER, IID__Interface, created.putVoid());
    EXPECT_EQ(result, S_OK);
    return created;
}

}  // namespace scandrel::plugin::tests
