// Where a found patient's words were: the tooltip of a result row, read back from
// the real window with the mouse resting on the row or the keyboard focus on it, and
// the same text as the row's accessible description.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "plugin/com_ptr.h"
#include "search/win32/search_window.h"
#include "search/win32/search_window_ids.h"
#include "testing/test_clinic.h"
#include "testing/win32/accessible_reading.h"
#include "testing/win32/message_box_watcher.h"
#include "testing/win32/window_driver.h"
#include "text/utf.h"

namespace scandrel::search::win32 {
namespace {

using namespace scandrel::search::testing;
using plugin::ComPtr;
using scandrel::testing::takeText;
using testing::pumpUntil;

constexpr wchar_t kAnaTip[] =
    L"asma — Alerta do paciente: «[asma] grave»\r\n"
    L"ana — Cadastro do paciente: «[ANA] LIMA»";
constexpr wchar_t kBeatrizTip[] =
    L"asma — Anamnese de 15/08/2003 (texto): «crises de [asma] leves»\r\n"
    L"ana — Cadastro do paciente: «BEATRIZ [ANA] SOUZA»";

// The tooltip control of the search window (a window of its own on the thread).
struct TooltipSearch {
    HWND found;
};
BOOL CALLBACK findTooltip(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TooltipSearch*>(data);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (_wcsicmp(name, TOOLTIPS_CLASSW) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}
HWND tooltipOf() {
    TooltipSearch search{nullptr};
    EnumThreadWindows(GetCurrentThreadId(), findTooltip, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The window and its tooltip as the user sees them, each read from its own DC, in a
// binary PPM file: the picture of the tooltip that the README shows is taken with
// SCANDREL_TIP_PICTURE set to the file to write.
void savePicture(HWND form, HWND tip, const char* path) {
    const testing::Snapshot window(form), tooltip(tip);
    POINT formAt{0, 0}, tipAt{0, 0};
    ClientToScreen(form, &formAt);
    ClientToScreen(tip, &tipAt);
    RECT frame;
    GetWindowRect(tip, &frame);
    const int left = std::min<int>(formAt.x, frame.left), top = std::min<int>(formAt.y, frame.top);
    const int width = std::max<int>(formAt.x + window.width(), frame.right) - left;
    const int height = std::max<int>(formAt.y + window.height(), frame.bottom) - top;
    std::vector<COLORREF> canvas(static_cast<size_t>(width) * static_cast<size_t>(height), RGB(212, 208, 200));
    const auto put = [&](int x, int y, COLORREF c) {
        if (x >= 0 && y >= 0 && x < width && y < height) canvas[static_cast<size_t>(y) * width + x] = c;
    };
    for (int y = 0; y < window.height(); ++y)
        for (int x = 0; x < window.width(); ++x) put(formAt.x - left + x, formAt.y - top + y, window.at(x, y));
    for (int y = frame.top; y < frame.bottom; ++y)
        for (int x = frame.left; x < frame.right; ++x) put(x - left, y - top, RGB(0, 0, 0));  // its border
    for (int y = 0; y < tooltip.height(); ++y)
        for (int x = 0; x < tooltip.width(); ++x) put(tipAt.x - left + x, tipAt.y - top + y, tooltip.at(x, y));
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return;
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    for (const COLORREF c : canvas) {
        const unsigned char rgb[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
        std::fwrite(rgb, 1, 3, file);
    }
    std::fclose(file);
}

class ResultTipsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetCursorPos(0, 0);  // away from the window until a test moves it there
        ClinicWriter clinic(file);
        clinic.add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"ANA LIMA")}, {u"Paci_me_Alert", text(u"asma grave")}});
        const int32_t beatriz = clinic.add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"BEATRIZ ANA SOUZA")}});
        clinic.add(kAnamneses, {{u"Anam_ln_Paciente", number(beatriz)}, {u"Anam_dt_DataAnamnese", date(2003, 8, 15)},
                                {u"Anam_me_TextoAnamnese", text(u"crises de asma leves")}});
        clinic.add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"CARLOS ANDRADE")}});
        clinic.finish();
        window = SearchWindow::create(GetModuleHandleW(nullptr), [](int32_t) {});
        window->setDbName(file.u16string());
        window->show();
        testing::pumpWaiting();

        testing::typeText(control(kTxtSearch), u"Asma ana");
        PostMessageW(control(kTxtSearch), WM_CHAR, 13, 1);
        ASSERT_TRUE(pumpUntil([&] {
            return testing::windowText(control(kLblResults)) == L"Pesquisa concluída. Foram encontrados 2 resultados.";
        }));
        tip = tooltipOf();
        ASSERT_NE(tip, nullptr);
    }
    void TearDown() override {
        // The pointer leaves the window's place: a later window there must not find
        // it resting on its list.
        SetCursorPos(0, 0);
        if (window->loaded()) DestroyWindow(window->handle());
        window.reset();
        EXPECT_EQ(loadedWindowCount(), 0);
        EXPECT_TRUE(boxes.take().empty());
    }

    HWND control(int id) const { return GetDlgItem(window->handle(), id); }

    // The real pointer onto row `row`, as the user moves it there.
    void pointAtRow(int row) {
        const HWND list = control(kLstResults);
        RECT rect;
        SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
        POINT at{rect.left + 20, (rect.top + rect.bottom) / 2};
        ClientToScreen(list, &at);
        SetCursorPos(at.x - 3, at.y);
        INPUT move{};
        move.type = INPUT_MOUSE;
        move.mi.dx = 3;
        move.mi.dy = 0;
        move.mi.dwFlags = MOUSEEVENTF_MOVE;
        SendInput(1, &move, sizeof move);
    }

    bool tipShows(const std::wstring& text) const {
        return IsWindowVisible(tip) && testing::windowText(tip) == text;
    }

    TempDir dir;
    fs::path file = dir / "clinica.mdb";
    std::shared_ptr<SearchWindow> window;
    HWND tip = nullptr;
    scandrel::testing::MessageBoxWatcher boxes;
};

TEST_F(ResultTipsTest, TheMouseOnARowShowsWhereEachWordWasFound) {
    EXPECT_EQ(testing::listRows(control(kLstResults)),
              (std::vector<std::u16string>{u"ANA LIMA", u"BEATRIZ ANA SOUZA"}));
    EXPECT_FALSE(IsWindowVisible(tip));
    pointAtRow(1);
    EXPECT_TRUE(pumpUntil([&] { return tipShows(kBeatrizTip); })) << testing::windowText(tip);
    pointAtRow(0);
    EXPECT_TRUE(pumpUntil([&] { return tipShows(kAnaTip); })) << testing::windowText(tip);
    if (const char* picture = std::getenv("SCANDREL_TIP_PICTURE")) {
        testing::pump();
        savePicture(window->handle(), tip, picture);
    }
    // Nothing else of the window changed: the rows, the status line, the focus.
    EXPECT_EQ(testing::listRows(control(kLstResults)).size(), 2u);
    EXPECT_EQ(GetFocus(), control(kTxtSearch));
}

TEST_F(ResultTipsTest, TheRowWithTheKeyboardFocusShowsItsTipUntilTheListLosesIt) {
    const HWND list = control(kLstResults);
    testing::postKey(control(kTxtSearch), VK_TAB);
    ASSERT_TRUE(pumpUntil([&] { return GetFocus() == list; }));
    EXPECT_TRUE(pumpUntil([&] { return tipShows(kAnaTip); })) << testing::windowText(tip);
    // The first key selects the row with the focus, as in any list without a
    // selection; the second moves to the last row.
    testing::postKey(list, VK_END);
    testing::postKey(list, VK_END);
    EXPECT_TRUE(pumpUntil([&] { return tipShows(kBeatrizTip); })) << testing::windowText(tip);
    // Below its row.
    RECT row, shown;
    SendMessageW(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&row), 2);
    GetWindowRect(tip, &shown);
    EXPECT_GE(shown.top, row.bottom);
    testing::postKey(list, VK_TAB);
    EXPECT_TRUE(pumpUntil([&] { return !IsWindowVisible(tip); }));
}

TEST_F(ResultTipsTest, EachRowIsDescribedToAssistiveToolsAsItsTipShowsIt) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        ComPtr<IAccessible> list;
        ASSERT_EQ(AccessibleObjectFromWindow(control(kLstResults), OBJID_CLIENT, IID_IAccessible, list.putVoid()),
                  S_OK);
        const auto describe = [&](long child) {
            VARIANT id;
            VariantInit(&id);
            id.vt = VT_I4;
            id.lVal = child;
            BSTR text = nullptr;
            list->get_accDescription(id, &text);
            return takeText(text);
        };
        EXPECT_EQ(describe(1), kAnaTip);
        EXPECT_EQ(describe(2), kBeatrizTip);
    }
    CoUninitialize();
}

}  // namespace
}  // namespace scandrel::search::win32
