// Details of the search window that a user can't see at once: what loading does to
// the list and the bar, that the search box's and the list's keys still reach the
// controls, a stale Escape, and the fonts as the controls report them.
#include <windows.h>
#include <commctrl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "search/win32/search_window.h"
#include "search/win32/search_window_ids.h"
#include "testing/test_clinic.h"
#include "testing/win32/message_box_watcher.h"
#include "testing/win32/window_driver.h"
#include "text/utf.h"

namespace scandrel::search::win32 {
namespace {

using namespace scandrel::search::testing;
using ::testing::ElementsAre;
using testing::pumpUntil;

std::wstring classOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// While it lives, every edit box and list box made on this thread gets, as soon as
// it is created and before anyone else subclasses it, a procedure of ours under all
// others: it records the characters that reach the control itself, and passes them on.
class ControlSpy {
public:
    explicit ControlSpy(std::function<void(HWND)> created = {}) : created_(std::move(created)) {
        current() = this;
        hook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, onCreated, nullptr, GetCurrentThreadId());
    }
    ~ControlSpy() {
        UnhookWindowsHookEx(hook_);
        current() = nullptr;
    }
    ControlSpy(const ControlSpy&) = delete;
    ControlSpy& operator=(const ControlSpy&) = delete;

    const std::vector<WPARAM>& charactersOf(HWND control) { return characters_[control]; }

private:
    static ControlSpy*& current() {
        static ControlSpy* spy = nullptr;
        return spy;
    }
    static LRESULT CALLBACK onCreated(int code, WPARAM wParam, LPARAM lParam) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        ControlSpy* spy = current();
        if (code == HC_ACTION && spy && call->message == WM_CREATE) {
            const std::wstring name = classOf(call->hwnd);
            if (_wcsicmp(name.c_str(), L"Edit") == 0 || _wcsicmp(name.c_str(), L"ListBox") == 0) {
                spy->original_[call->hwnd] = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtrW(call->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record)));
            }
            if (spy->created_) spy->created_(call->hwnd);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static LRESULT CALLBACK record(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        ControlSpy* spy = current();
        if (message == WM_CHAR && spy) spy->characters_[window].push_back(wParam);
        static std::map<HWND, WNDPROC> forgotten;
        const WNDPROC original = spy ? spy->original_[window] : forgotten[window];
        if (spy) forgotten[window] = original;
        return CallWindowProcW(original, window, message, wParam, lParam);
    }

    std::function<void(HWND)> created_;
    HHOOK hook_ = nullptr;
    std::map<HWND, WNDPROC> original_;
    std::map<HWND, std::vector<WPARAM>> characters_;
};

class WindowDetails : public ::testing::Test {
protected:
    void TearDown() override {
        if (window && window->loaded()) DestroyWindow(window->handle());
        window.reset();
        EXPECT_EQ(loadedWindowCount(), 0);
    }

    void writeClinic() {
        ClinicWriter clinic(file);
        for (const char16_t* name : {u"ANA", u"PAULO", u"PEDRO", u"PRISCILA", u"RITA"}) {
            clinic.add(kPacientes, {{u"Paci_tx_NomePaciente", Value::text(name)}});
        }
        clinic.finish();
    }

    void open() {
        window = SearchWindow::create(GetModuleHandleW(nullptr), [this](int32_t counter) { opened.push_back(counter); });
        window->setDbName(file.u16string());
        window->show();
        testing::pumpWaiting();
    }
    HWND control(int id) const { return GetDlgItem(window->handle(), id); }
    std::wstring status() const { return testing::windowText(control(kLblResults)); }
    void type(const std::u16string& text) {
        for (const char16_t c : text) PostMessageW(control(kTxtSearch), WM_CHAR, c, 1);
    }
    bool searchOver() const {
        return status().find(L"Pesquisa conclu") == 0 &&
               !(GetWindowLongW(control(kTxtSearch), GWL_STYLE) & ES_READONLY);
    }
    LRESULT rows() const { return SendMessageW(control(kLstResults), LB_GETCOUNT, 0, 0); }

    TempDir dir;
    fs::path file = dir / "clinica.mdb";
    std::shared_ptr<SearchWindow> window;
    std::vector<int32_t> opened;
    scandrel::testing::MessageBoxWatcher boxes;
};

TEST_F(WindowDetails, LoadingEmptiesTheListAndZeroesTheBar) {
    writeClinic();
    // Whatever the controls hold when they are made, loading starts them afresh.
    const ControlSpy spy([](HWND created) {
        const std::wstring name = classOf(created);
        if (_wcsicmp(name.c_str(), L"ListBox") == 0) {
            SendMessageW(created, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"linha antiga"));
        } else if (_wcsicmp(name.c_str(), PROGRESS_CLASSW) == 0) {
            SendMessageW(created, PBM_SETPOS, 60, 0);
        }
    });
    open();
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(SendMessageW(control(kProgressBar1), PBM_GETPOS, 0, 0), 0);
}

TEST_F(WindowDetails, KeysHandledByTheWindowStillReachTheSearchBoxAndTheList) {
    writeClinic();
    ControlSpy spy;
    open();
    type(u"p");
    PostMessageW(control(kTxtSearch), WM_CHAR, 13, 1);
    ASSERT_TRUE(pumpUntil([&] { return searchOver(); }));
    ASSERT_EQ(rows(), 3);  // PAULO, PEDRO, PRISCILA
    PostMessageW(control(kTxtSearch), WM_CHAR, 27, 1);
    ASSERT_TRUE(pumpUntil([&] { return spy.charactersOf(control(kTxtSearch)).size() == 3; }));
    EXPECT_THAT(spy.charactersOf(control(kTxtSearch)), ElementsAre(L'p', 13, 27));

    // The list's own answer to a letter, moving to the next row that starts with it,
    // still happens after the window opened the selected row's patient.
    const HWND list = control(kLstResults);
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    PostMessageW(list, WM_CHAR, L'p', 1);
    ASSERT_TRUE(pumpUntil([&] { return !opened.empty(); }));
    EXPECT_THAT(spy.charactersOf(list), ElementsAre(L'p'));
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
}

TEST_F(WindowDetails, EscapeWithNoSearchRunningDoesNotCutTheNextSearchShort) {
    writeClinic();
    open();
    PostMessageW(control(kTxtSearch), WM_CHAR, 27, 1);  // the cancel button's effect, with nothing to cancel
    type(u" ");  // a space alone lists every patient
    PostMessageW(control(kTxtSearch), WM_CHAR, 13, 1);
    ASSERT_TRUE(pumpUntil([&] { return searchOver(); }));
    EXPECT_EQ(rows(), 5);
    EXPECT_FALSE(IsWindowVisible(control(kCxCancel)));
    EXPECT_TRUE(IsWindowVisible(control(kCxFind)));
}

struct ExpectedFont {
    int id;
    const wchar_t* face;
    int pixelHeight;  // at 96 dots per inch
};

TEST_F(WindowDetails, EveryControlReportsItsDesignedFont) {
    open();
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, 96) << "the heights below are for 96 dots per inch";
    const ExpectedFont fonts[] = {
        {kTxtSearch, L"Verdana", 11},   {kLabel1, L"Verdana", 11}, {kLblResults, L"Verdana", 11},
        {kLstResults, L"MS Sans Serif", 11}, {kCxFind, L"Arial", 12},  {kCxCancel, L"Arial", 12},
    };
    for (const ExpectedFont& expected : fonts) {
        SCOPED_TRACE(expected.id);
        const auto font = reinterpret_cast<HFONT>(SendMessageW(control(expected.id), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        LOGFONTW described{};
        ASSERT_NE(GetObjectW(font, sizeof described, &described), 0);
        EXPECT_STREQ(described.lfFaceName, expected.face);
        EXPECT_EQ(described.lfHeight, -expected.pixelHeight);  // character height, not cell height
        EXPECT_EQ(described.lfWeight, FW_NORMAL);
        EXPECT_FALSE(described.lfItalic);
        EXPECT_FALSE(described.lfUnderline);
        EXPECT_FALSE(described.lfStrikeOut);
    }
}

}  // namespace
}  // namespace scandrel::search::win32
