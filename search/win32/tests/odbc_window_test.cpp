// The search window on a front-end whose tables are linked through ODBC to a
// PostgreSQL or MariaDB server the test starts, reached through Wine's odbc32, the
// 32-bit unixODBC and the server's 32-bit driver. The run's worker opens the links and
// reads them on its own thread. The window must list what it lists on the clinic's Jet
// file, a server that goes away in the middle of a search ends it with a box, and
// "Cancelar" clicked while the server holds the search returns the window to idle.
// The servers' folders have names as long as their sockets allow, so that the
// drivers see connection strings of a clinic's length, and every window after a
// search through them must still make its picture.
#include <windows.h>
#include <commctrl.h>
#include <float.h>
#include <objbase.h>
#include <xmmintrin.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "db/odbc/connection.h"
#include "db/odbc/connection_string.h"
#include "db/odbc/server.h"
#include "demo/demo_clinic.h"
#include "search/patient_worker.h"
#include "search/win32/background_picture.h"
#include "search/win32/search_window.h"
#include "search/win32/search_window_ids.h"
#include "search/win32/search_window_resources.h"
#include "search/win32/tests/run_probe.h"
#include "testing/servers/server_copy.h"
#include "testing/servers/table_lock.h"
#include "testing/servers/test_server.h"
#include "testing/test_clinic.h"
#include "testing/win32/message_box_watcher.h"
#include "testing/win32/window_driver.h"
#include "text/utf.h"

namespace scandrel::search::win32 {
namespace {

using namespace scandrel::search::testing;
using namespace scandrel::search::win32::testing;
using db::odbc::testing::ServerKind;
using db::odbc::testing::TestServer;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using ::testing::StartsWith;
using scandrel::testing::BoxIcon;
using scandrel::testing::MessageBoxWatcher;

// A search through a server takes longer than one of a local file.
constexpr auto kRunLimit = std::chrono::seconds(60);

// What the window shows once a search is over.
struct Outcome {
    std::vector<std::u16string> rows;
    std::wstring status;

    friend bool operator==(const Outcome&, const Outcome&) = default;
};

class OdbcWindow : public ::testing::TestWithParam<ServerKind> {
protected:
    TempDir dir;
    MessageBoxWatcher boxes;
    std::shared_ptr<SearchWindow> window;  // a test's window, gone by the end of the test

    void SetUp() override {
        if (!db::odbc::testing::serverAvailable(GetParam()))
            GTEST_SKIP() << db::odbc::testing::serverName(GetParam()) << " or its ODBC driver is not installed";
        ASSERT_EQ(loadedWindowCount(), 0);
    }
    void TearDown() override {
        if (window && window->loaded()) DestroyWindow(window->handle());
        window.reset();
        pump();
        EXPECT_EQ(loadedWindowCount(), 0);
        EXPECT_EQ(patientWorkersAlive(), 0u);
        EXPECT_THAT(boxes.take(), IsEmpty());
    }

    // The clinic's tables on `server`, and a front-end of links to them.
    fs::path linkedFrontEnd(const fs::path& clinic, const TestServer& server) {
        const db::Database jet = db::Database::open(clinic);
        db::odbc::testing::writeServerCopy(jet, server.folder() / "copy.sql", GetParam());
        server.runSql(server.folder() / "copy.sql");
        const fs::path front = dir / "servidor.mdb";
        db::odbc::testing::writeLinkingFrontEnd(jet, front, server.connectString(), {});
        return front;
    }

    static std::shared_ptr<SearchWindow> openWindow(const fs::path& database) {
        std::shared_ptr<SearchWindow> window = SearchWindow::create(GetModuleHandleW(nullptr), [](int32_t) {});
        window->setDbName(database.u16string());
        window->show();
        pump();
        return window;
    }
    static HWND control(const SearchWindow& window, int id) { return GetDlgItem(window.handle(), id); }

    // The window back at rest after a run that ended early: the rows found so far are
    // the first of `names`, the status line counts them, the bar is at 0, "Buscar" is
    // back and no worker is left. The rows listed.
    std::vector<std::u16string> expectRestingWithTheFirstRowsOf(const std::vector<std::u16string>& names) const {
        const std::vector<std::u16string> rows = listRows(control(*window, kLstResults));
        EXPECT_LE(rows.size(), names.size());
        EXPECT_EQ(rows, std::vector<std::u16string>(
                            names.begin(), names.begin() + static_cast<ptrdiff_t>(std::min(rows.size(), names.size()))));
        EXPECT_EQ(windowText(control(*window, kLblResults)),
                  L"Pesquisa concluída. Foram encontrados " + std::to_wstring(rows.size()) + L" resultados.");
        EXPECT_EQ(SendMessageW(control(*window, kProgressBar1), PBM_GETPOS, 0, 0), 0);
        EXPECT_TRUE(IsWindowEnabled(control(*window, kCxFind)));
        EXPECT_EQ(patientWorkersAlive(), 0u);
        return rows;
    }
    static bool idle(const SearchWindow& window) {
        return windowText(control(window, kLblResults)).starts_with(L"Pesquisa conclu") &&
               !(GetWindowLongW(control(window, kTxtSearch), GWL_STYLE) & ES_READONLY) &&
               !IsWindowVisible(control(window, kCxCancel));
    }
    static void startSearch(const SearchWindow& window, const std::u16string& words) {
        typeText(control(window, kTxtSearch), words);
        postKey(control(window, kTxtSearch), VK_RETURN);
    }

    // One search typed into a window of its own on `database`.
    static Outcome searchIn(const fs::path& database, const std::u16string& words) {
        const std::shared_ptr<SearchWindow> window = openWindow(database);
        startSearch(*window, words);
        Outcome outcome;
        EXPECT_TRUE(pumpUntil([&] { return idle(*window); }, kRunLimit)) << toUtf8(words);
        outcome.rows = listRows(control(*window, kLstResults));
        outcome.status = windowText(control(*window, kLblResults));
        DestroyWindow(window->handle());
        pump();
        return outcome;
    }
};

TEST_P(OdbcWindow, ThroughOdbcLinksTheWindowListsWhatItListsOnTheJetFile) {
    const fs::path clinic = dir / "clinica.mdb";
    demo::writeDemoClinic(clinic, {300, 7});
    const TestServer server(GetParam());
    const fs::path front = linkedFrontEnd(clinic, server);

    for (const std::u16string words : {u"silva", u"maria asma", u"a", u"casad", u"zzzz", u"15/0"}) {
        const Outcome expected = searchIn(clinic, words);
        const Outcome got = searchIn(front, words);
        EXPECT_EQ(got.rows, expected.rows) << toUtf8(words);
        EXPECT_EQ(got.status, expected.status) << toUtf8(words);
        EXPECT_THAT(boxes.take(), IsEmpty()) << toUtf8(words);
        // A search that lists most of the clinic, so that rows were compared.
        if (words == u"a") {
            EXPECT_GT(expected.rows.size(), 100u);
        }
    }
}

TEST_P(OdbcWindow, TheServerStoppedMidSearchGives3146AndTheWindowKeepsTheRowsFoundSoFar) {
    // The patients past the first two batches have a guide, so the search first reads
    // the procedures at the first of them; another client of the server holds that
    // table locked. The run lists every patient before it and waits for the server,
    // which is stopped with the statement under way. (The server is stopped while the
    // run needs it: stopped at some other moment, it may go only after the patients
    // were all read ahead of the window, and the run then rightly ends without a box.)
    constexpr size_t kListed = db::odbc::Server::kPatientsInFirstBatch + db::odbc::Server::kPatientsPerBatch;
    constexpr int kPatients = static_cast<int>(kListed) + 100;
    const fs::path clinic = dir / "clinica.mdb";
    const std::vector<std::u16string> names = writeRetornoClinic(clinic, kPatients, static_cast<int>(kListed));
    auto server = std::make_unique<TestServer>(GetParam());
    const fs::path front = linkedFrontEnd(clinic, *server);

    window = openWindow(front);
    std::optional<db::odbc::testing::TableLock> lock(std::in_place, *server, u"ProcedimentosExames");
    std::optional<std::chrono::steady_clock::time_point> stoppedAt;
    RunProbe probe(window->handle(), [&] {
        // The window runs while the run waits for the server: the look that finds
        // every patient before the locked table listed.
        if (stoppedAt || !windowText(control(*window, kLblResults)).starts_with(L"Pesquisando")) return;
        if (SendMessageW(control(*window, kLstResults), LB_GETCOUNT, 0, 0) < static_cast<LRESULT>(kListed)) return;
        server.reset();  // stopped and gone
        stoppedAt = std::chrono::steady_clock::now();
    });
    startSearch(*window, u"retorno");
    ASSERT_TRUE(boxes.waitFor(1, kRunLimit));
    const auto boxAt = std::chrono::steady_clock::now();
    ASSERT_TRUE(pumpUntil([&] { return idle(*window); }, kRunLimit));
    ASSERT_TRUE(stoppedAt) << "the run did not wait for the locked table";
    EXPECT_LT(*stoppedAt, boxAt);
    EXPECT_LT(boxAt - *stoppedAt, std::chrono::seconds(5));

    const std::vector<scandrel::testing::SeenBox> seen = boxes.take();
    ASSERT_THAT(seen, SizeIs(1));
    EXPECT_EQ(seen[0].title, u"Scandrel");
    // 3146's words, then the driver's own, with its state.
    EXPECT_THAT(toUtf8(seen[0].text), StartsWith("Falha na chamada ODBC. Mensagem do driver: ["));
    EXPECT_EQ(seen[0].icon, BoxIcon::none);
    EXPECT_EQ(seen[0].owner, window->handle());

    // The rows found before the server went stay listed, and the count says so: every
    // patient before the locked table, none built ahead lost.
    EXPECT_THAT(expectRestingWithTheFirstRowsOf(names), SizeIs(kListed));
}

// What a driver loaded into the process could change under a thread: its
// floating-point modes and COM apartment, the current folder and the C locale.
struct ThreadState {
    unsigned int fpu = _controlfp(0, 0);
    unsigned int sse = _mm_getcsr();
    HRESULT apartment = [] {
        APTTYPE type{};
        APTTYPEQUALIFIER qualifier{};
        return CoGetApartmentType(&type, &qualifier);
    }();
    std::wstring folder = [] {
        wchar_t buffer[MAX_PATH] = {};
        return std::wstring(buffer, GetCurrentDirectoryW(MAX_PATH, buffer));
    }();
    std::string locale = setlocale(LC_ALL, nullptr);

    void expectSameAs(const ThreadState& before, const char* thread) const {
        EXPECT_EQ(fpu, before.fpu) << thread;
        EXPECT_EQ(sse, before.sse) << thread;
        EXPECT_EQ(apartment, before.apartment) << thread;
        EXPECT_EQ(folder, before.folder) << thread;
        EXPECT_EQ(locale, before.locale) << thread;
    }
};

TEST_P(OdbcWindow, AConnectionMadeAndClosedOnTheRunsThreadLeavesBothThreadsAsTheyWereAndTheWindowsPictureLoads) {
    // The window's picture goes through the platform's imaging component, created
    // anew for each picture, after the run's worker has talked to the server.
    const TestServer server(GetParam());
    const ThreadState windowThread;
    std::thread([&] {
        const ThreadState runThread;
        {
            db::odbc::Connection connection(db::odbc::withoutOdbcMark(server.connectString()), u"servidor");
            EXPECT_THAT(connection.fetch(u"SELECT 1")->rows, SizeIs(1));
        }
        ThreadState().expectSameAs(runThread, "the run's thread");
    }).join();
    ThreadState().expectSameAs(windowThread, "the window's thread");
    EXPECT_NO_THROW(BackgroundPicture::fromResource(GetModuleHandleW(nullptr), SCANDREL_FORM1_BACKGROUND));
}

// Calls `tick` every `period` on this thread's message loop, the run's pumps included.
class Ticker {
public:
    Ticker(std::chrono::milliseconds period, std::function<void()> tick) {
        tick_ = std::move(tick);
        timer_ = SetTimer(nullptr, 0, static_cast<UINT>(period.count()), onTimer);
    }
    ~Ticker() {
        KillTimer(nullptr, timer_);
        tick_ = {};
    }
    Ticker(const Ticker&) = delete;
    Ticker& operator=(const Ticker&) = delete;

private:
    static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
        if (tick_) tick_();
    }
    static inline std::function<void()> tick_;
    UINT_PTR timer_;
};

TEST_P(OdbcWindow, CancelarWhileTheServerHoldsTheSearchReturnsTheWindowToIdleWithTheRowsFoundSoFarAndNoBox) {
    // More patients than the links bring in one batch; the first batch has no guide,
    // so the search first reads the procedures, which another client of the server has
    // locked, at the end of that batch (the patients built ahead of the run read there).
    constexpr size_t kBatch = db::odbc::Server::kPatientsPerBatch;
    const fs::path clinic = dir / "clinica.mdb";
    const std::vector<std::u16string> names =
        writeRetornoClinic(clinic, static_cast<int>(kBatch) + 100, static_cast<int>(kBatch));
    const TestServer server(GetParam());
    const fs::path front = linkedFrontEnd(clinic, server);

    window = openWindow(front);
    std::optional<db::odbc::testing::TableLock> lock(std::in_place, server, u"ProcedimentosExames");
    // Rows listed and none more for half a second (every patient is listed): the run
    // waits for the server, and "Cancelar" is clicked where the user sees it.
    LRESULT listedAtLastTick = 0;
    int ticksWithoutARow = 0;
    std::optional<std::chrono::steady_clock::time_point> clickedAt;
    const Ticker ticker(std::chrono::milliseconds(100), [&] {
        if (clickedAt || !IsWindowVisible(control(*window, kCxCancel))) return;
        const LRESULT count = SendMessageW(control(*window, kLstResults), LB_GETCOUNT, 0, 0);
        ticksWithoutARow = count == listedAtLastTick ? ticksWithoutARow + 1 : 0;
        listedAtLastTick = count;
        if (count == 0 || ticksWithoutARow < 5) return;
        clickedAt = std::chrono::steady_clock::now();
        const HWND cancel = control(*window, kCxCancel);
        PostMessageW(cancel, WM_LBUTTONDOWN, MK_LBUTTON, point(30, 8));
        PostMessageW(cancel, WM_LBUTTONUP, 0, point(30, 8));
    });
    startSearch(*window, u"retorno");
    ASSERT_TRUE(pumpUntil([&] { return idle(*window); }, kRunLimit));
    const auto idleAt = std::chrono::steady_clock::now();

    ASSERT_TRUE(clickedAt) << "the run did not wait for the locked table";
    EXPECT_LT(idleAt - *clickedAt, std::chrono::seconds(5));
    EXPECT_THAT(boxes.take(), IsEmpty());
    // The rows found so far: the first ones in name order, none past the locked batch.
    const std::vector<std::u16string> rows = expectRestingWithTheFirstRowsOf(names);
    EXPECT_LE(rows.size(), kBatch);
    EXPECT_GE(rows.size(), kBatch - kDefaultPatientsAhead);

    // The lock given back, a search reads the whole clinic from the same server.
    lock.reset();
    EXPECT_EQ(searchIn(front, u"retorno").rows, names);
}

INSTANTIATE_TEST_SUITE_P(Servers, OdbcWindow, ::testing::ValuesIn(db::odbc::testing::serverKinds()),
                         [](const auto& tested) { return db::odbc::testing::serverName(tested.param); });

}  // namespace
}  // namespace scandrel::search::win32
