// Every way the search window can go while a search runs stops the search at once:
// the close button, the window destroyed directly by its owner or the host, and the
// end of the Windows session. The session's end is never refused.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "search/win32/search_window.h"
#include "search/win32/search_window_ids.h"
#include "testing/test_clinic.h"
#include "testing/win32/message_box_watcher.h"
#include "testing/win32/posted_work.h"
#include "testing/win32/window_driver.h"
#include "text/utf.h"

namespace scandrel::search::win32 {
namespace {

using namespace scandrel::search::testing;
using testing::pumpUntil;

// A closed window's search keeps the window counted until it has returned.
bool searchAlive() { return loadedWindowCount() > 0; }

// The "host" takes a closing route from inside the search's yield, then counts the
// ticks of a 20 ms timer that arrive while the search is still running. Once the
// route is taken, a stopping search finishes the yield it is in and ends, so a tick
// or two arrive at most, even when the thread is held up meanwhile; a search that
// goes on (30,000 patients) gets one every time it yields after 20 ms.
class Route {
public:
    Route(std::function<void()> take, std::function<bool()> searching)
        : take_(std::move(take)), searching_(std::move(searching)) {
        work_.onTimer([this] {
            if (searching_()) ++ticks_;
        });
    }
    ~Route() { KillTimer(work_.handle(), 1); }
    Route(const Route&) = delete;
    Route& operator=(const Route&) = delete;

    void post() {
        work_.post([this] {
            SetTimer(work_.handle(), 1, 20, nullptr);
            take_();
        });
    }
    bool taken() const { return work_.done(); }
    int ticksWhileSearching() const { return ticks_; }

private:
    std::function<void()> take_;
    std::function<bool()> searching_;
    scandrel::testing::PostedWork work_;
    int ticks_ = 0;
};

class ClosingRoutes : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<TempDir>();
        ClinicWriter clinic(file());
        for (int i = 1; i <= 30000; ++i) {
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
    Route route([&] { PostMessageW(form, WM_CLOSE, 0, 0); }, searchAlive);
    searchAndTake(route);
    ASSERT_TRUE(pumpUntil([&] { return route.taken() && loadedWindowCount() == 0; }));
    EXPECT_FALSE(IsWindow(form));
    EXPECT_LE(route.ticksWhileSearching(), 2);
}

TEST_F(ClosingRoutes, TheWindowDestroyedDirectly) {
    Route route([&] { DestroyWindow(form); }, searchAlive);
    searchAndTake(route);
    ASSERT_TRUE(pumpUntil([&] { return route.taken() && loadedWindowCount() == 0; }));
    EXPECT_FALSE(window->loaded());
    EXPECT_LE(route.ticksWhileSearching(), 2);
}

TEST_F(ClosingRoutes, TheSessionEndingStopsTheSearchAndClosesTheWindow) {
    LRESULT mayEnd = FALSE;
    Route route([&] {
        mayEnd = SendMessageW(form, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
        SendMessageW(form, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    }, searchAlive);
    searchAndTake(route);
    ASSERT_TRUE(pumpUntil([&] { return route.taken() && loadedWindowCount() == 0; }));
    EXPECT_TRUE(mayEnd);
    EXPECT_FALSE(IsWindow(form));
    EXPECT_LE(route.ticksWhileSearching(), 2);
}

TEST_F(ClosingRoutes, ASessionEndThatIsCalledOffLeavesTheWindowWithTheRowsFoundSoFar) {
    LRESULT mayEnd = FALSE;
    Route route([&] {
        mayEnd = SendMessageW(form, WM_QUERYENDSESSION, 0, 0);
        SendMessageW(form, WM_ENDSESSION, FALSE, 0);
    }, [&] { return running(); });
    searchAndTake(route);
    ASSERT_TRUE(pumpUntil([&] { return route.taken() && !running(); }));
    EXPECT_TRUE(mayEnd);
    EXPECT_LE(route.ticksWhileSearching(), 2);
    ASSERT_TRUE(IsWindowVisible(form));
    EXPECT_GT(rows(), 0);
    EXPECT_LT(rows(), 30000);
    EXPECT_FALSE(IsWindowVisible(control(kCxCancel)));
}

}  // namespace
}  // namespace scandrel::search::win32
