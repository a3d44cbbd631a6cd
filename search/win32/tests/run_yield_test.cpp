// The run's yield: the first of a run always lets the waiting messages run, later
// ones at most every 5 ms, so a fast search is not slowed down by looking at the
// queue for every patient, and a message left waiting runs at the next yield due.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "search/win32/search_window.h"
#include "search/win32/search_window_ids.h"
#include "search/win32/tests/run_probe.h"
#include "search/win32/win32_search_view.h"
#include "testing/test_clinic.h"
#include "testing/win32/message_box_watcher.h"
#include "testing/win32/window_driver.h"

namespace scandrel::search::win32 {
namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT kCounted = WM_APP + 5;

// A message-only window that counts the messages it is handed.
class CountingWindow {
public:
    CountingWindow() {
        static const ATOM windowClass = testing::registerMessageWindowClass(L"ScandrelTestCountingWindow", proc);
        window_ = testing::createMessageWindow(windowClass, this);
    }
    ~CountingWindow() { DestroyWindow(window_); }
    CountingWindow(const CountingWindow&) = delete;
    CountingWindow& operator=(const CountingWindow&) = delete;

    void post() const { PostMessageW(window_, kCounted, 0, 0); }
    int handled = 0;

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CountingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == kCounted && self) {
            ++self->handled;
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    HWND window_ = nullptr;
};

// The controls the view writes to, in a form that is never shown.
class Controls {
public:
    Controls() {
        INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&classes);
        form_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        const auto child = [this](const wchar_t* windowClass) {
            return CreateWindowExW(0, windowClass, L"", WS_CHILD, 0, 0, 100, 20, form_, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        };
        controls.form = form_;
        controls.txtSearch = child(L"EDIT");
        controls.lblResults = child(L"STATIC");
        controls.lstResults = child(L"LISTBOX");
        controls.progressBar = child(PROGRESS_CLASSW);
        controls.cxFind = child(L"BUTTON");
        controls.cxCancel = child(L"BUTTON");
        controls.enableFind = [](bool) {};
    }
    ~Controls() { DestroyWindow(form_); }
    Controls(const Controls&) = delete;
    Controls& operator=(const Controls&) = delete;

    SearchControls controls;

private:
    HWND form_ = nullptr;
};

TEST(RunYield, LooksAtTheQueueAtTheFirstYieldThenAtMostEveryFiveMilliseconds) {
    testing::pumpWaiting();
    Controls controls;
    CountingWindow counting;
    Win32SearchView view(controls.controls, [] {});

    view.clearResults();  // a new run
    counting.post();
    view.doEvents();
    EXPECT_EQ(counting.handled, 1) << "the run's first yield";

    int quickYields = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
        Sleep(6);
        counting.post();
        const auto due = Clock::now();
        view.doEvents();
        ASSERT_EQ(counting.handled, 2 + 2 * attempt) << "a yield more than 5 ms after the last look";

        // Another yield right after: the message waits, unless the thread was taken
        // away for the whole interval in between.
        counting.post();
        view.doEvents();
        if (Clock::now() - due < std::chrono::milliseconds(4)) {
            ++quickYields;
            EXPECT_EQ(counting.handled, 2 + 2 * attempt) << "a yield within 5 ms of the last look";
        }
        Sleep(6);
        view.doEvents();
        ASSERT_EQ(counting.handled, 3 + 2 * attempt) << "the waiting message runs at the next yield due";
    }
    EXPECT_GT(quickYields, 0);

    // A new run looks at once again.
    counting.post();
    view.clearResults();
    view.doEvents();
    EXPECT_EQ(counting.handled, 42);
}

// Patients far faster than the yield's interval: the window still shows how far the
// run is, and a click on "Cancelar" stops it, at the next yield that looks.
TEST(RunYield, AFastRunShowsItsProgressAndStopsAtCancel) {
    constexpr int kPatients = 10000;
    search::testing::TempDir dir;
    const auto file = dir / "clinica.mdb";
    {
        search::testing::ClinicWriter clinic(file);
        for (int i = 0; i < kPatients; ++i) {
            clinic.add(search::testing::kPacientes,
                       {{u"Paci_tx_NomePaciente", Value::text(u"PACIENTE " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)))}});
        }
        clinic.finish();
    }
    scandrel::testing::MessageBoxWatcher boxes;
    auto window = SearchWindow::create(GetModuleHandleW(nullptr), [](int32_t) {});
    window->setDbName(file.u16string());
    window->show();
    testing::pump();
    const auto control = [&](int id) { return GetDlgItem(window->handle(), id); };

    std::vector<std::wstring> shown;  // the status line as the run went on
    bool clicked = false;
    {
        testing::RunProbe probe(window->handle(), [&] {
            const std::wstring status = testing::windowText(control(kLblResults));
            shown.push_back(status);
            if (!clicked && status.starts_with(L"Pesquisando... (")) {
                clicked = true;
                const HWND cancel = control(kCxCancel);
                PostMessageW(cancel, WM_LBUTTONDOWN, MK_LBUTTON, testing::point(30, 8));
                PostMessageW(cancel, WM_LBUTTONUP, 0, testing::point(30, 8));
            }
        });
        testing::typeText(control(kTxtSearch), u"paciente");
        testing::postKey(control(kTxtSearch), VK_RETURN);
        ASSERT_TRUE(testing::pumpUntil([&] {
            return testing::windowText(control(kLblResults)).starts_with(L"Pesquisa conclu") &&
                   !IsWindowVisible(control(kCxCancel));
        }));
    }
    ASSERT_TRUE(clicked) << "no progress was shown during the run";
    const size_t rows = testing::listRows(control(kLstResults)).size();
    EXPECT_GT(rows, 1u);
    EXPECT_LT(rows, static_cast<size_t>(kPatients));
    EXPECT_EQ(testing::windowText(control(kLblResults)),
              L"Pesquisa concluída. Foram encontrados " + std::to_wstring(rows) + L" resultados.");
    const std::wregex progress(LR"(Pesquisando\.\.\. \((\d+)/10000, \d+%\)(\. .*)?)");
    int progressLines = 0;
    for (const std::wstring& status : shown) {
        std::wsmatch match;
        if (std::regex_match(status, match, progress)) {
            ++progressLines;
            EXPECT_LE(std::stoul(match[1].str()), rows + 1);
        }
    }
    EXPECT_GT(progressLines, 0);
    EXPECT_EQ(SendMessageW(control(kProgressBar1), PBM_GETPOS, 0, 0), 0);

    DestroyWindow(window->handle());
    window.reset();
    testing::pump();
    EXPECT_TRUE(boxes.take().empty());
}

}  // namespace
}  // namespace scandrel::search::win32
