// What the search window shows, read back from its own device context.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "search/win32/background_picture.h"
#include "search/win32/search_window.h"
#include "search/win32/search_window_ids.h"
#include "search/win32/search_window_resources.h"
#include "search/win32/tests/run_probe.h"
#include "testing/test_clinic.h"
#include "testing/win32/window_driver.h"

namespace scandrel::search::win32 {
namespace {

using namespace scandrel::search::testing;
using namespace scandrel::search::win32::testing;

constexpr COLORREF kPanel = RGB(223, 232, 241);
constexpr COLORREF kGround = RGB(179, 192, 208);
constexpr COLORREF kFrame = RGB(128, 128, 128);

// The background picture alone, as the window draws it.
class PictureSnapshot {
public:
    PictureSnapshot() {
        const HDC screen = GetDC(nullptr);
        memory_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, 454, 338);
        ReleaseDC(nullptr, screen);
        previous_ = SelectObject(memory_, bitmap_);
        BackgroundPicture::fromResource(GetModuleHandleW(nullptr), SCANDREL_FORM1_BACKGROUND).draw(memory_, 0, 0);
    }
    ~PictureSnapshot() {
        SelectObject(memory_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(memory_);
    }
    COLORREF at(int x, int y) const { return GetPixel(memory_, x, y); }

private:
    HDC memory_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
};

::testing::AssertionResult closeTo(COLORREF actual, COLORREF expected, int tolerance = 8) {
    const int dr = std::abs(GetRValue(actual) - GetRValue(expected));
    const int dg = std::abs(GetGValue(actual) - GetGValue(expected));
    const int db = std::abs(GetBValue(actual) - GetBValue(expected));
    if (dr <= tolerance && dg <= tolerance && db <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "colour " << GetRValue(actual) << "," << GetGValue(actual) << ","
                                         << GetBValue(actual) << " is not near " << GetRValue(expected) << ","
                                         << GetGValue(expected) << "," << GetBValue(expected);
}

class SearchWindowLook : public ::testing::Test {
protected:
    TempDir dir;
    fs::path file = dir / "clinica.mdb";
    std::shared_ptr<SearchWindow> window;

    void open(int patients) {
        ClinicWriter clinic(file);
        for (int i = 0; i < patients; ++i) clinic.add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"ANA LIMA")}});
        clinic.finish();
        window = SearchWindow::create(GetModuleHandleW(nullptr), [](int32_t) {});
        window->setDbName(file.u16string());
        window->show();
        settle();
    }
    void TearDown() override {
        if (window && window->loaded()) DestroyWindow(window->handle());
    }
    void settle() {
        UpdateWindow(window->handle());
        pumpUntil([] { return false; }, std::chrono::milliseconds(50));
    }
    HWND control(int id) const { return GetDlgItem(window->handle(), id); }
    bool finished() const { return windowText(control(kLblResults)).find(L"Pesquisa conclu") == 0; }
};

TEST_F(SearchWindowLook, PanelBandFrameLinesAndLine1) {
    open(1);
    const Snapshot shot(window->handle());
    ASSERT_EQ(shot.width(), 452);
    ASSERT_EQ(shot.height(), 338);
    // Margin at the left and bottom, frame lines, then panel.
    EXPECT_TRUE(closeTo(shot.at(0, 200), kGround));
    EXPECT_TRUE(closeTo(shot.at(2, 200), kFrame));
    EXPECT_TRUE(closeTo(shot.at(5, 200), kPanel));
    EXPECT_TRUE(closeTo(shot.at(451, 200), kPanel));  // no frame line at the right
    EXPECT_TRUE(closeTo(shot.at(200, 332), kPanel));
    EXPECT_TRUE(closeTo(shot.at(200, 335), kFrame));
    EXPECT_TRUE(closeTo(shot.at(200, 337), kGround));
    // The band across the top with its line right of the tab; the tab rises into it.
    EXPECT_TRUE(closeTo(shot.at(300, 10), kGround));
    EXPECT_TRUE(closeTo(shot.at(300, 21), kFrame));
    EXPECT_TRUE(closeTo(shot.at(300, 24), kPanel));
    EXPECT_TRUE(closeTo(shot.at(170, 3), kFrame));
    EXPECT_TRUE(closeTo(shot.at(170, 12), kPanel));
    // Line1, both ends drawn, in the window-text colour.
    const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
    for (const int x : {8, 100, 300, 448}) EXPECT_EQ(shot.at(x, 72), ink) << x;
    EXPECT_NE(shot.at(7, 72), ink);
    EXPECT_NE(shot.at(449, 72), ink);
    EXPECT_TRUE(closeTo(shot.at(200, 71), kPanel));
    EXPECT_TRUE(closeTo(shot.at(200, 73), kPanel));
}

TEST_F(SearchWindowLook, LabelsAreTransparentAndAShorterStatusLeavesNoTrace) {
    open(1);
    const HWND status = control(kLblResults);
    SetWindowTextW(status, L"Pesquisa concluída. Foram encontrados 12345 resultados; um texto bem mais longo.");
    settle();
    SetWindowTextW(status, L"Curto");
    settle();
    const Snapshot shot(window->handle());
    const PictureSnapshot picture;
    // Right of the short text, the label's whole area is the picture again.
    for (int y = 80; y < 97; ++y) {
        for (int x = 60; x < 441; ++x) {
            ASSERT_EQ(shot.at(x, y), picture.at(x, y)) << x << "," << y;
        }
    }
    // Under the text, whatever is not ink is the picture.
    int ink = 0;
    for (int y = 80; y < 97; ++y) {
        for (int x = 8; x < 60; ++x) {
            if (shot.at(x, y) != picture.at(x, y)) ++ink;
        }
    }
    EXPECT_GT(ink, 10);
    // Label1 shows the picture around its text too.
    EXPECT_EQ(shot.at(8, 48 - 1), picture.at(8, 47));
    EXPECT_EQ(shot.at(344, 33), picture.at(344, 33));
}

TEST_F(SearchWindowLook, CancelCoversFindDuringASearchAndFindComesBackUnchanged) {
    open(3);  // looked at after the first patient, however fast the search
    const HWND find = control(kCxFind);
    const HWND cancel = control(kCxCancel);
    const auto buttonPixels = [this] {
        const Snapshot shot(window->handle());
        std::vector<COLORREF> pixels;
        for (int y = 30; y < 47; ++y) {
            for (int x = 352; x < 449; ++x) pixels.push_back(shot.at(x, y));
        }
        return pixels;
    };
    const std::vector<COLORREF> idle = buttonPixels();

    // Looked at from inside the run, as the user sees it between two patients.
    std::vector<COLORREF> running, cancelAlone;
    const RunProbe probe(window->handle(), [&] {
        if (!running.empty() || !IsWindowVisible(cancel)) return;
        UpdateWindow(window->handle());
        running = buttonPixels();
        const Snapshot own(cancel);
        for (int y = 0; y < 17; ++y) {
            for (int x = 0; x < 97; ++x) cancelAlone.push_back(own.at(x, y));
        }
    });
    SetWindowTextW(control(kTxtSearch), L"ana");
    SetFocus(find);
    PostMessageW(find, WM_KEYDOWN, VK_RETURN, 1);  // Enter on the focused find button
    ASSERT_TRUE(pumpUntil([&] { return finished() && !IsWindowVisible(cancel); }))
        << "status: " << ::testing::PrintToString(windowText(control(kLblResults)));
    ASSERT_FALSE(running.empty()) << "the run ended before it could be looked at";
    EXPECT_EQ(running, cancelAlone);
    EXPECT_NE(running, idle);
    SetFocus(control(kTxtSearch));  // as when the idle look was taken
    settle();
    EXPECT_EQ(buttonPixels(), idle);
}

}  // namespace
}  // namespace scandrel::search::win32
