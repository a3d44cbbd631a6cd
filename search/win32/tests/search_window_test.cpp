// The search window as a user drives it: keys and clicks arrive as window
// messages through the thread's message loop, as they do inside the host.
#include <windows.h>
#include <commctrl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "search/plain_text_buffer.h"
#include "search/search_controller.h"
#include "search/win32/search_window.h"
#include "search/win32/search_window_ids.h"
#include "search/window_layout.h"
#include "testing/recording_view.h"
#include "testing/test_clinic.h"
#include "testing/win32/message_box_watcher.h"
#include "testing/win32/window_driver.h"
#include "text/error.h"
#include "text/utf.h"

namespace scandrel::search::win32 {
namespace {

using namespace scandrel::search::testing;
using namespace scandrel::search::win32::testing;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using scandrel::testing::BoxIcon;
using scandrel::testing::MessageBoxWatcher;
using scandrel::testing::SeenBox;

class SearchWindowTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path file = dir / "clinica.mdb";
    std::vector<int32_t> opened;
    MessageBoxWatcher boxes;

    void SetUp() override { ASSERT_EQ(loadedWindowCount(), 0); }
    void TearDown() override {
        for (auto& window : windows) {
            if (window->loaded()) DestroyWindow(window->handle());
        }
        windows.clear();
        pump();
        EXPECT_EQ(loadedWindowCount(), 0);
    }

    // A clinic of `count` patients named PACIENTE 0001..., each with an anamnesis
    // holding "comum" (so every patient matches it).
    void writeClinic(int count) {
        ClinicWriter clinic(file);
        for (int i = 1; i <= count; ++i) {
            const std::u16string name = u"PACIENTE " + fromUtf8(std::to_string(10000 + i).substr(1));
            const int32_t id = clinic.add(kPacientes, {{u"Paci_tx_NomePaciente", Value::text(name)},
                                                       {u"Paci_dt_DataNascimentoPaciente", date(1961, 3, 7)}});
            clinic.add(kAnamneses, {{u"Anam_ln_Paciente", number(id)},
                                    {u"Anam_tx_Diagnostico1", text(i % 3 == 0 ? u"comum asma" : u"comum")}});
        }
        clinic.finish();
    }

    SearchWindow& open(std::function<void(int32_t)> opener = {}) {
        if (!opener) opener = [this](int32_t counter) { opened.push_back(counter); };
        windows.push_back(SearchWindow::create(GetModuleHandleW(nullptr), opener));
        SearchWindow& window = *windows.back();
        window.setDbName(file.u16string());
        window.show();
        pump();
        return window;
    }

    static HWND control(const SearchWindow& window, int id) { return GetDlgItem(window.handle(), id); }

    static bool idle(const SearchWindow& window) {
        return window.loaded() && !(GetWindowLongW(control(window, kTxtSearch), GWL_STYLE) & ES_READONLY) &&
               !IsWindowVisible(control(window, kCxCancel));
    }

    // Types the words and presses Enter in the search box; returns when the run is over.
    void search(SearchWindow& window, const std::u16string& words) {
        const HWND box = control(window, kTxtSearch);
        SetWindowTextW(box, L"");
        typeText(box, words);
        postKey(box, VK_RETURN);
        ASSERT_TRUE(pumpUntil([&] { return windowText(control(window, kLblResults)).find(L"Pesquisa conclu") == 0; }));
        ASSERT_TRUE(pumpUntil([&] { return idle(window); }));
    }

    std::vector<std::shared_ptr<SearchWindow>> windows;
};

TEST_F(SearchWindowTest, FrameSizePlacesAndElements) {
    writeClinic(1);
    const SearchWindow& window = open();
    const HWND form = window.handle();
    EXPECT_EQ(windowText(form), L"Clinora Scandrel");
    const auto style = GetWindowLongW(form, GWL_STYLE);
    const auto exStyle = GetWindowLongW(form, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);  // no taskbar button
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_EQ(GetWindow(form, GW_OWNER), nullptr);

    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, 96) << "the figures below are for 96 dots per inch";
    RECT client;
    GetClientRect(form, &client);
    EXPECT_EQ(client.right, 452);
    EXPECT_EQ(client.bottom, 338);
    POINT origin{0, 0};
    ClientToScreen(form, &origin);
    EXPECT_EQ(origin.x, 394);
    EXPECT_EQ(origin.y, 254);

    struct Expected {
        int id;
        const wchar_t* windowClass;
        RECT pixels;
        bool visible;
    };
    const Expected elements[] = {
        {kRtfTest, L"RichEdit20W", {432, 288, 449, 305}, false},
        {kCxCancel, L"ScandrelCxCommand", {352, 30, 449, 47}, false},
        {kCxFind, L"ScandrelCxCommand", {352, 30, 449, 47}, true},
        {kTxtSearch, L"Edit", {8, 48, 449, 67}, true},
        {kProgressBar1, L"msctls_progress32", {7, 312, 450, 329}, true},
        {kLstResults, L"ListBox", {8, 96, 449, 306}, true},
        {kLabel1, L"Static", {8, 32, 345, 49}, true},
        {kLblResults, L"Static", {8, 80, 441, 97}, true},
    };
    for (const Expected& e : elements) {
        SCOPED_TRACE(e.id);
        const HWND child = control(window, e.id);
        ASSERT_NE(child, nullptr);
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        EXPECT_EQ(_wcsicmp(name, e.windowClass), 0) << name;
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(rect.left, e.pixels.left);
        EXPECT_EQ(rect.top, e.pixels.top);
        EXPECT_EQ(rect.right, e.pixels.right);
        EXPECT_EQ(rect.bottom, e.pixels.bottom);
        EXPECT_EQ(IsWindowVisible(child) != FALSE, e.visible);
    }
    EXPECT_EQ(windowText(control(window, kLabel1)), L"Digite uma ou mais palavras para serem buscadas.");
    EXPECT_EQ(windowText(control(window, kCxFind)), L"Procurar");
    EXPECT_EQ(windowText(control(window, kCxCancel)), L"Cancelar");
    EXPECT_EQ(windowText(control(window, kLblResults)), L"");
    EXPECT_FALSE(GetWindowLongW(control(window, kLstResults), GWL_STYLE) & LBS_SORT);
    // The cancel button lies above the find button.
    bool cancelFirst = false;
    for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child == control(window, kCxCancel)) cancelFirst = true;
        if (child == control(window, kCxFind)) break;
    }
    EXPECT_TRUE(cancelFirst);
    EXPECT_EQ(SendMessageW(control(window, kProgressBar1), PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(GetFocus(), control(window, kTxtSearch));
}

TEST_F(SearchWindowTest, EnterListsWhatTheSearchRunListsAndRowsOpenTheirPatients) {
    writeClinic(30);
    SearchWindow& window = open();
    search(window, u"Comum  ASMA");
    EXPECT_EQ(windowText(control(window, kTxtSearch)), L"comum asma");

    RecordingView view;
    view.box = u"comum asma";
    PlainTextBuffer buffer;
    SearchController reference(view, buffer);
    reference.setDbName(file.u16string());
    reference.cxFind_Click();
    const HWND list = control(window, kLstResults);
    EXPECT_THAT(listRows(list), ElementsAreArray(view.rows));
    ASSERT_THAT(view.rows, SizeIs(10));
    // Every third patient has asthma; the clinic numbered its patients in the order written.
    EXPECT_THAT(listRows(list),
                ElementsAre(u"PACIENTE 0003 (Nascimento: 07/03/1961)", u"PACIENTE 0006 (Nascimento: 07/03/1961)",
                            u"PACIENTE 0009 (Nascimento: 07/03/1961)", u"PACIENTE 0012 (Nascimento: 07/03/1961)",
                            u"PACIENTE 0015 (Nascimento: 07/03/1961)", u"PACIENTE 0018 (Nascimento: 07/03/1961)",
                            u"PACIENTE 0021 (Nascimento: 07/03/1961)", u"PACIENTE 0024 (Nascimento: 07/03/1961)",
                            u"PACIENTE 0027 (Nascimento: 07/03/1961)", u"PACIENTE 0030 (Nascimento: 07/03/1961)"));
    EXPECT_EQ(windowText(control(window, kLblResults)), L"Pesquisa concluída. Foram encontrados 10 resultados.");
    EXPECT_EQ(SendMessageW(control(window, kProgressBar1), PBM_GETPOS, 0, 0), 0);

    // A double-click on the third row opens the third patient.
    postRowClick(list, 2, true);
    ASSERT_TRUE(pumpUntil([&] { return !opened.empty(); }));
    EXPECT_THAT(opened, ElementsAre(reference.resultIds()[2]));
    EXPECT_THAT(opened, ElementsAre(9));

    // Every key that makes a character opens the selected patient; arrows only move.
    opened.clear();
    postKey(list, VK_DOWN);
    pump();
    EXPECT_THAT(opened, IsEmpty());
    postKey(list, VK_ESCAPE);
    PostMessageW(list, WM_CHAR, 'x', 1);
    postKey(list, VK_RETURN);
    PostMessageW(list, WM_CHAR, ' ', 1);
    ASSERT_TRUE(pumpUntil([&] { return opened.size() == 4; }));
    EXPECT_THAT(opened, ElementsAre(reference.resultIds()[3], reference.resultIds()[3], reference.resultIds()[3],
                                    reference.resultIds()[3]));
    EXPECT_THAT(opened, ElementsAre(12, 12, 12, 12));
}

TEST_F(SearchWindowTest, NothingOpensBeforeASearchOrWithoutASelection) {
    writeClinic(3);
    SearchWindow& window = open();
    const HWND list = control(window, kLstResults);
    PostMessageW(list, WM_CHAR, 'a', 1);
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point(10, 5));
    pump();
    search(window, u"comum");
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    PostMessageW(list, WM_CHAR, 'a', 1);
    pump();
    EXPECT_THAT(opened, IsEmpty());
    EXPECT_THAT(boxes.take(), IsEmpty());
}

TEST_F(SearchWindowTest, EscapeCancelsAfterThePatientAtHand) {
    writeClinic(200);
    SearchWindow& window = open();
    const HWND box = control(window, kTxtSearch);
    typeText(box, u"comum");
    postKey(box, VK_RETURN);
    postKey(box, VK_ESCAPE);  // handled at the first yield, after the first patient
    ASSERT_TRUE(pumpUntil([&] { return idle(window) && !listRows(control(window, kLstResults)).empty(); }));
    EXPECT_THAT(listRows(control(window, kLstResults)), ElementsAre(u"PACIENTE 0001 (Nascimento: 07/03/1961)"));
    EXPECT_EQ(windowText(control(window, kLblResults)), L"Pesquisa concluída. Foi encontrado 1 resultado.");
    EXPECT_EQ(GetWindowLongW(box, GWL_STYLE) & ES_READONLY, 0);
}

TEST_F(SearchWindowTest, ClosingDuringASearchStopsItAndClosesTheWindow) {
    writeClinic(200);
    SearchWindow& window = open();
    const HWND form = window.handle();
    const HWND box = control(window, kTxtSearch);
    typeText(box, u"comum");
    postKey(box, VK_RETURN);
    PostMessageW(form, WM_CLOSE, 0, 0);
    ASSERT_TRUE(pumpUntil([&] { return !IsWindow(form); }));
    EXPECT_FALSE(window.loaded());
    pump();
    EXPECT_EQ(loadedWindowCount(), 0);
    window.moveTo(10, 10);  // a closed window is not brought back
    EXPECT_FALSE(window.loaded());
}

TEST_F(SearchWindowTest, ClosingOneWindowLeavesTheOtherWindowsSearchRunning) {
    writeClinic(60);
    SearchWindow& first = open();
    SearchWindow& second = open();
    const HWND box = control(first, kTxtSearch);
    typeText(box, u"comum");
    postKey(box, VK_RETURN);
    PostMessageW(second.handle(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(pumpUntil([&] { return idle(first) && !listRows(control(first, kLstResults)).empty(); }));
    EXPECT_FALSE(second.loaded());
    EXPECT_THAT(listRows(control(first, kLstResults)), SizeIs(60));
}

TEST_F(SearchWindowTest, TwoWindowsKeepTheirOwnResults) {
    writeClinic(9);
    SearchWindow& first = open();
    SearchWindow& second = open();
    search(first, u"asma");
    search(second, u"comum");
    const HWND list = control(first, kLstResults);
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    PostMessageW(list, WM_CHAR, 'a', 1);
    ASSERT_TRUE(pumpUntil([&] { return !opened.empty(); }));
    EXPECT_THAT(opened, ElementsAre(3));  // PACIENTE 0003, the first with asthma
}

TEST_F(SearchWindowTest, TabMovesAlongTheTabOrder) {
    writeClinic(1);
    SearchWindow& window = open();
    const HWND box = control(window, kTxtSearch);
    const HWND list = control(window, kLstResults);
    const HWND find = control(window, kCxFind);
    SetFocus(box);
    postKey(box, VK_TAB);
    pump();
    EXPECT_EQ(GetFocus(), list);
    postKey(list, VK_TAB);
    pump();
    EXPECT_EQ(GetFocus(), find);
    postKey(find, VK_TAB);  // the cancel button is hidden
    pump();
    EXPECT_EQ(GetFocus(), box);

    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    postKey(box, VK_TAB);
    pump();
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(GetFocus(), find);
    EXPECT_EQ(windowText(box), L"");  // the Tab never reached the box as a character
}

TEST_F(SearchWindowTest, StaysTopmostWithoutTakingTheFocusFromTheHost) {
    writeClinic(1);
    SearchWindow& window = open();
    const HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600, 600,
                                      nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(host, nullptr);
    SetForegroundWindow(host);
    SetActiveWindow(host);
    pump();
    EXPECT_EQ(GetActiveWindow(), host);
    EXPECT_TRUE(GetWindowLongW(window.handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT before, after;
    GetWindowRect(window.handle(), &before);
    window.moveTo(100, 200);
    GetWindowRect(window.handle(), &after);
    EXPECT_EQ(after.left, 100);
    EXPECT_EQ(after.top, 200);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
    EXPECT_EQ(GetActiveWindow(), host);
    DestroyWindow(host);
}

TEST_F(SearchWindowTest, QuitDuringASearchEndsTheRunAndReachesTheHost) {
    writeClinic(200);
    SearchWindow& window = open();
    const HWND box = control(window, kTxtSearch);
    typeText(box, u"comum");
    postKey(box, VK_RETURN);
    PostQuitMessage(7);  // seen by the run's first yield, once the key has started it
    bool quit = false;
    WPARAM code = 0;
    ASSERT_TRUE(pumpUntil([&] {
        MSG msg;
        if (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
            quit = true;
            code = msg.wParam;
        }
        return quit;
    }));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(idle(window));
    EXPECT_LT(listRows(control(window, kLstResults)).size(), 200u);
}

TEST_F(SearchWindowTest, MissingDatabaseShowsAnOwnedBoxThenHidesTheWindow) {
    SearchWindow& window = open();  // the clinic file is never written
    search(window, u"comum");
    ASSERT_TRUE(boxes.waitFor(1));
    const std::vector<SeenBox> seen = boxes.take();
    ASSERT_THAT(seen, ElementsAre(SeenBox{u"Erro",
                                          u"Erro: o banco de dados não existe mais ou foi movido. Selecione "
                                          u"novamente a localização do banco de dados..",
                                          BoxIcon::exclamation}));
    EXPECT_EQ(seen[0].owner, window.handle());
    EXPECT_FALSE(IsWindowVisible(window.handle()));
    EXPECT_TRUE(window.loaded());
    EXPECT_EQ(loadedWindowCount(), 1);  // hidden, but still loaded
}

TEST_F(SearchWindowTest, AFailingHostCallShowsANumberedBox) {
    writeClinic(3);
    SearchWindow& window = open([](int32_t) { throw Error(438, u"O objeto não dá suporte para esta propriedade ou método"); });
    search(window, u"comum");
    const HWND list = control(window, kLstResults);
    SendMessageW(list, LB_SETCURSEL, 1, 0);
    PostMessageW(list, WM_CHAR, 'a', 1);
    ASSERT_TRUE(boxes.waitFor(1));
    const std::vector<SeenBox> seen = boxes.take();
    EXPECT_THAT(seen, ElementsAre(SeenBox{u"Scandrel", u"438 O objeto não dá suporte para esta propriedade ou método",
                                          BoxIcon::none}));
    EXPECT_EQ(seen[0].owner, window.handle());
    EXPECT_TRUE(window.loaded());
}

}  // namespace
}  // namespace scandrel::search::win32
