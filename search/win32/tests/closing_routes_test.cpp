// Every way the search window can go while a search runs stops the search at once:
// the close button, the window destroyed directly by its owner or the host, and the
// end of the Windows session. The session's end is never refused.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "search/tests/test_clinic.h"
#include "search/win32/search_window.h"
#include "search/win32/search_window_ids.h"
#include "testing/win32/message_box_watcher.h"
#include "text/utf.h"

namespace scandrel::search::win32 {
namespace {

using namespace scandrel::search::testing;

// A helper window of the "host": it takes a closing route when its message arrives
// (from inside the search's yield), then counts the ticks of a 10 ms timer that the
// search's yield runs. Once the route is taken, a stopping search yields at most once
// more, so at most one tick is dispatched from inside it; a search that goes on
// dispatches one every time it yields after 10 ms.
class Route {
public:
    explicit Route(std::function<void()> take) : take_(std::move(take)) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"ScandrelTestRoute";
        RegisterClassW(&windowClass);
        window_ = CreateWindowW(L"ScandrelTestRoute", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Route() {
        KillTimer(window_, 1);
        DestroyWindow(window_);
    }
    Route(const Route&) = delete;
    Route& operator=(const Route&) = delete;

    void post() { PostMessageW(window_, WM_APP, 0, 0); }
    bool taken() const { return taken_; }
    // Ticks dispatched from inside the search after the route was taken.
    int ticksInsideSearch() const { return ticksInside_; }

    // The test's own loop: what it dispatches itself is not inside the search.
    bool pumpUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                outer_ = msg.message;
                DispatchMessageW(&msg);
                outer_ = 0;
            }
            if (!done()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
        return true;
    }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Route*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == WM_APP) {
            SetTimer(window, 1, 10, nullptr);
            self->taken_ = true;
            self->take_();
            return 0;
        }
        if (self && message == WM_TIMER) {
            if (self->outer_ != WM_TIMER) ++self->ticksInside_;
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    std::function<void()> take_;
    HWND window_ = nullptr;
    UINT outer_ = 0;
    bool taken_ = false;
    int ticksInside_ = 0;
};

class ClosingRoutes : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<TempDir>();
        ClinicWriter clinic(file());
        for (int i = 1; i <= 8000; ++i) {
            const std::u16string name = u"PACIENTE " + fromUtf8(std::to_string(10000 + i).substr(1));
            clinic.add(kPacientes, {{u"Paci_tx_NomePaciente", Value::text(name)}});
        }
        clinic.finish();
    }
    static void TearDownTestSuite() { dir_.reset(); }
    static fs::path file() { return *dir_ / "clinica.mdb"; }

    void SetUp() override {
        ASSERT_EQ(loadedWindowCount(), 0);
        window = SearchWindow::create(GetModuleHandleW(nullptr), [](int32_t) {});
        window->setDbName(file().u16string());
        window->show();
        form = window->handle();
    }
    void TearDown() override {
        if (window->loaded()) DestroyWindow(window->handle());
        window.reset();
        EXPECT_EQ(loadedWindowCount(), 0);
    }

    // Starts a search of every patient ("c", in every name) with Enter, and takes `route` from inside it.
    void searchAndTake(Route& route) {
        const HWND box = GetDlgItem(form, kTxtSearch);
        PostMessageW(box, WM_CHAR, L'c', 1);
        PostMessageW(box, WM_CHAR, 13, 1);
        route.post();
    }

    HWND control(int id) const { return GetDlgItem(form, id); }
    bool running() const { return (GetWindowLongW(control(kTxtSearch), GWL_STYLE) & ES_READONLY) != 0; }
    LRESULT rows() const { return SendMessageW(control(kLstResults), LB_GETCOUNT, 0, 0); }

    static inline std::unique_ptr<TempDir> dir_;
    std::shared_ptr<SearchWindow> window;
    HWND form = nullptr;
    scandrel::testing::MessageBoxWatcher boxes;
};

TEST_F(ClosingRoutes, TheCloseButton) {
    Route route([&] { PostMessageW(form, WM_CLOSE, 0, 0); });
    searchAndTake(route);
    ASSERT_TRUE(route.pumpUntil([&] { return route.taken() && loadedWindowCount() == 0; }));
    EXPECT_FALSE(IsWindow(form));
    EXPECT_LE(route.ticksInsideSearch(), 1);
}

TEST_F(ClosingRoutes, TheWindowDestroyedDirectly) {
    Route route([&] { DestroyWindow(form); });
    searchAndTake(route);
    ASSERT_TRUE(route.pumpUntil([&] { return route.taken() && loadedWindowCount() == 0; }));
    EXPECT_FALSE(window->loaded());
    EXPECT_LE(route.ticksInsideSearch(), 1);
}

TEST_F(ClosingRoutes, TheSessionEndingStopsTheSearchAndClosesTheWindow) {
    LRESULT mayEnd = FALSE;
    Route route([&] {
        mayEnd = SendMessageW(form, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
        SendMessageW(form, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    });
    searchAndTake(route);
    ASSERT_TRUE(route.pumpUntil([&] { return route.taken() && loadedWindowCount() == 0; }));
    EXPECT_TRUE(mayEnd);
    EXPECT_FALSE(IsWindow(form));
    EXPECT_LE(route.ticksInsideSearch(), 1);
}

TEST_F(ClosingRoutes, ASessionEndThatIsCalledOffLeavesTheWindowWithTheRowsFoundSoFar) {
    LRESULT mayEnd = FALSE;
    Route route([&] {
        mayEnd = SendMessageW(form, WM_QUERYENDSESSION, 0, 0);
        SendMessageW(form, WM_ENDSESSION, FALSE, 0);
    });
    searchAndTake(route);
    ASSERT_TRUE(route.pumpUntil([&] { return route.taken() && !running(); }));
    EXPECT_TRUE(mayEnd);
    EXPECT_LE(route.ticksInsideSearch(), 1);
    ASSERT_TRUE(IsWindowVisible(form));
    EXPECT_GT(rows(), 0);
    EXPECT_LT(rows(), 8000);
    EXPECT_FALSE(IsWindowVisible(control(kCxCancel)));
}

}  // namespace
}  // namespace scandrel::search::win32
