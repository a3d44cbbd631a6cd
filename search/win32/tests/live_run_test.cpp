// The search window while a search runs, looked at from inside the run between two
// patients: what the user sees there and what the user's clicks and keys do there.
#include <windows.h>
#include <commctrl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "search/win32/search_window.h"
#include "search/win32/search_window_ids.h"
#include "search/win32/tests/run_probe.h"
#include "testing/test_clinic.h"
#include "testing/win32/message_box_watcher.h"
#include "testing/win32/window_driver.h"
#include "text/utf.h"

namespace scandrel::search::win32 {
namespace {

using namespace scandrel::search::testing;
using namespace scandrel::search::win32::testing;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using scandrel::testing::MessageBoxWatcher;

// The clinic's patients in name order, as the list must show them: accents and case
// do not decide the order, a missing or placeholder birth date leaves the name alone.
const std::vector<std::u16string> kRows = {
    u"Álvaro Souza (Nascimento: 02/01/1950)",
    u"ana beatriz lima (Nascimento: 15/08/1987)",
    u"BRUNO ALVES",
    u"Conceição Matos (Nascimento: 30/11/1972)",
    u"joana prado (Nascimento: 01/02/2001)",
    u"JOÃO DA SILVA",
    u"OTÁVIO REIS (Nascimento: 07/03/1961)",
    u"Zélia Duarte (Nascimento: 29/02/1944)",
};

struct Caption {
    std::wstring text;
    int grey = 0;   // pixels of the disabled caption
    int black = 0;  // pixels of the enabled caption
};

// What the user sees at one moment of the run.
struct Sample {
    std::vector<std::u16string> rows;
    std::wstring status;
    int bar = 0;      // the bar's position
    int barInk = 0;   // pixels of the bar's blocks on screen
    bool cancelVisible = false;
    bool boxLocked = false;
    std::wstring box;
    Caption find;
};

class LiveRun : public ::testing::Test {
protected:
    TempDir dir;
    fs::path file = dir / "clinica.mdb";
    std::map<std::u16string, int32_t> counters;  // by name, as the clinic file numbered them
    std::vector<int32_t> opened;
    MessageBoxWatcher boxes;
    std::shared_ptr<SearchWindow> window;

    void SetUp() override {
        ASSERT_EQ(loadedWindowCount(), 0);
        writeClinic();
        window = SearchWindow::create(GetModuleHandleW(nullptr), [this](int32_t counter) { opened.push_back(counter); });
        window->setDbName(file.u16string());
        window->show();
        pump();
    }
    void TearDown() override {
        if (window && window->loaded()) DestroyWindow(window->handle());
        window.reset();
        pump();
        EXPECT_EQ(loadedWindowCount(), 0);
        EXPECT_THAT(boxes.take(), IsEmpty());
    }

    // Written out of name order, each with an anamnesis that holds "retorno".
    void writeClinic() {
        struct Patient {
            const char16_t* name;
            Value born;
        };
        const Patient patients[] = {
            {u"OTÁVIO REIS", date(1961, 3, 7)},        {u"ana beatriz lima", date(1987, 8, 15)},
            {u"Zélia Duarte", date(1944, 2, 29)},      {u"JOÃO DA SILVA", date(1000, 1, 1)},
            {u"Conceição Matos", date(1972, 11, 30)},  {u"BRUNO ALVES", Value::null()},
            {u"joana prado", date(2001, 2, 1)},        {u"Álvaro Souza", date(1950, 1, 2)},
        };
        ClinicWriter clinic(file);
        for (const Patient& p : patients) {
            const int32_t id = clinic.add(kPacientes, {{u"Paci_tx_NomePaciente", text(p.name)},
                                                       {u"Paci_dt_DataNascimentoPaciente", p.born}});
            clinic.add(kAnamneses, {{u"Anam_ln_Paciente", number(id)}, {u"Anam_tx_Diagnostico1", text(u"Retorno em 30 dias")}});
            counters[p.name] = id;
        }
        clinic.finish();
    }

    HWND control(int id) const { return GetDlgItem(window->handle(), id); }

    bool searching() const { return windowText(control(kLblResults)).starts_with(L"Pesquisando"); }
    bool idle() const {
        return window->loaded() && windowText(control(kLblResults)).starts_with(L"Pesquisa conclu") &&
               !(GetWindowLongW(control(kTxtSearch), GWL_STYLE) & ES_READONLY) &&
               !IsWindowVisible(control(kCxCancel));
    }

    // The find button's caption as drawn. During a run the cancel button covers it, so
    // the cancel button is taken away for the look and put back.
    Caption findCaption() const {
        const HWND find = control(kCxFind);
        const HWND cancel = control(kCxCancel);
        const bool covered = IsWindowVisible(cancel);
        if (covered) ShowWindow(cancel, SW_HIDE);
        RedrawWindow(find, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        const Snapshot shot(find);
        if (covered) {
            ShowWindow(cancel, SW_SHOWNA);
            RedrawWindow(cancel, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        }
        Caption caption{windowText(find)};
        for (int y = 3; y < shot.height() - 3; ++y) {
            for (int x = 3; x < shot.width() - 3; ++x) {
                caption.grey += shot.at(x, y) == RGB(128, 128, 128);
                caption.black += shot.at(x, y) == RGB(0, 0, 0);
            }
        }
        return caption;
    }

    Sample sample() const {
        const HWND bar = control(kProgressBar1);
        RedrawWindow(window->handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sample s;
        s.rows = listRows(control(kLstResults));
        s.status = windowText(control(kLblResults));
        s.bar = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
        const Snapshot shot(bar);
        const COLORREF blocks = GetSysColor(COLOR_HIGHLIGHT);
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) s.barInk += shot.at(x, y) == blocks;
        }
        s.cancelVisible = IsWindowVisible(control(kCxCancel)) != FALSE;
        s.boxLocked = (GetWindowLongW(control(kTxtSearch), GWL_STYLE) & ES_READONLY) != 0;
        s.box = windowText(control(kTxtSearch));
        s.find = findCaption();
        return s;
    }

    void startSearch(const std::u16string& words) {
        typeText(control(kTxtSearch), words);
        postKey(control(kTxtSearch), VK_RETURN);
    }
};

bool isPrefix(const std::vector<std::u16string>& part, const std::vector<std::u16string>& whole) {
    return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

TEST_F(LiveRun, RowsStatusAndBarMoveWhileTheBoxIsLockedAndFindIsDisabled) {
    std::vector<Sample> samples;
    RunProbe probe(window->handle(), [&] {
        if (!searching()) return;
        samples.push_back(sample());
        if (samples.size() == 2) {
            // Typing into the locked box changes nothing; Enter starts no second run.
            typeText(control(kTxtSearch), u"xyz");
            postKey(control(kTxtSearch), VK_RETURN);
        }
        RunProbe::holdUp();
    });
    startSearch(u"Retôrno");
    ASSERT_TRUE(pumpUntil([&] { return idle(); }));

    EXPECT_EQ(listRows(control(kLstResults)), kRows);
    EXPECT_EQ(windowText(control(kLblResults)), L"Pesquisa concluída. Foram encontrados 8 resultados.");
    EXPECT_EQ(windowText(control(kTxtSearch)), L"retorno");
    EXPECT_EQ(SendMessageW(control(kProgressBar1), PBM_GETPOS, 0, 0), 0);
    const Caption idleFind = findCaption();
    EXPECT_GT(idleFind.black, 0) << "the enabled caption is drawn in black";
    EXPECT_EQ(idleFind.grey, 0);

    // One look per patient; the last patient's comes before the run ends.
    ASSERT_GE(samples.size(), 4u);
    const std::wregex live(LR"(Pesquisando\.\.\. \((\d+)/8, (\d+)%\)\. (-?\d+) segundos restantes\.)");
    size_t previousRows = 0;
    int previousBar = 0;
    std::set<int> positions;
    int progressLines = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        const Sample& s = samples[i];
        SCOPED_TRACE(i);
        EXPECT_TRUE(s.cancelVisible);
        EXPECT_TRUE(s.boxLocked);
        EXPECT_EQ(s.box, L"retorno");
        EXPECT_EQ(s.find.text, L"Procurar");
        EXPECT_GT(s.find.grey, 0) << "the find button looks disabled";
        EXPECT_EQ(s.find.black, 0);
        EXPECT_TRUE(isPrefix(s.rows, kRows));
        EXPECT_GE(s.rows.size(), previousRows);
        EXPECT_GE(s.bar, previousBar);
        if (s.bar > previousBar) {
            EXPECT_GT(s.barInk, 0);
        }
        previousRows = s.rows.size();
        previousBar = s.bar;
        if (s.bar > 0) positions.insert(s.bar);
        std::wsmatch m;
        if (std::regex_match(s.status, m, live)) {
            ++progressLines;
            const int done = std::stoi(m[1]);
            EXPECT_GE(done, 1);
            EXPECT_LT(done, 8);
            EXPECT_EQ(std::stoi(m[2]), static_cast<int>(std::nearbyint(done * 100.0 / 8)));
            EXPECT_GE(std::stoi(m[3]), 0);
            EXPECT_GE(s.rows.size(), static_cast<size_t>(done)) << "every patient matches";
        } else {
            EXPECT_EQ(s.status, L"Pesquisando... 0 resultados encontrados.");
        }
    }
    EXPECT_GE(progressLines, 2) << "the status line showed no progress during the run";
    EXPECT_GE(positions.size(), 2u) << "the bar did not move during the run";
    EXPECT_LT(samples.back().rows.size(), kRows.size()) << "the rows came only at the end";
    EXPECT_GT(samples.back().rows.size(), 0u);
    // Later looks show more of the bar.
    EXPECT_GT(samples.back().barInk, samples[1].barInk);
}

TEST_F(LiveRun, ClickingCancelarStopsTheRunAfterThePatientAtHand) {
    int looks = 0;
    RunProbe probe(window->handle(), [&] {
        if (!searching() || !IsWindowVisible(control(kCxCancel))) return;
        if (++looks == 3) {
            // A click on "Cancelar", where the user sees it, during the third patient.
            const HWND cancel = control(kCxCancel);
            PostMessageW(cancel, WM_LBUTTONDOWN, MK_LBUTTON, point(30, 8));
            PostMessageW(cancel, WM_LBUTTONUP, 0, point(30, 8));
        }
        RunProbe::holdUp();
    });
    startSearch(u"retorno");
    ASSERT_TRUE(pumpUntil([&] { return idle(); }));
    EXPECT_EQ(looks, 3);
    EXPECT_EQ(listRows(control(kLstResults)), std::vector<std::u16string>(kRows.begin(), kRows.begin() + 3));
    EXPECT_EQ(windowText(control(kLblResults)), L"Pesquisa concluída. Foram encontrados 3 resultados.");
    EXPECT_EQ(SendMessageW(control(kProgressBar1), PBM_GETPOS, 0, 0), 0);
    EXPECT_TRUE(IsWindowVisible(control(kCxFind)));

    // The rows kept open their own patients.
    SendMessageW(control(kLstResults), LB_SETCURSEL, 2, 0);
    PostMessageW(control(kLstResults), WM_CHAR, 'a', 1);
    ASSERT_TRUE(pumpUntil([&] { return !opened.empty(); }));
    EXPECT_THAT(opened, ElementsAre(counters[u"BRUNO ALVES"]));
}

TEST_F(LiveRun, ARowOpensItsPatientWhileTheSearchStillRuns) {
    int looks = 0;
    bool runningAfterOpening = false;
    RunProbe probe(window->handle(), [&] {
        if (!searching()) return;
        ++looks;
        if (looks == 4) {
            const HWND list = control(kLstResults);
            EXPECT_GE(listRows(list).size(), 2u);
            postRowClick(list, 1, true);        // a double-click on the second row
            PostMessageW(list, WM_CHAR, 'j', 1);  // then a key on it
        }
        if (looks == 5) runningAfterOpening = opened.size() == 2;
        RunProbe::holdUp();
    });
    startSearch(u"retorno");
    ASSERT_TRUE(pumpUntil([&] { return idle(); }));
    EXPECT_TRUE(runningAfterOpening) << "the patient did not open while the run went on";
    EXPECT_THAT(opened, ElementsAre(counters[u"ana beatriz lima"], counters[u"ana beatriz lima"]));
    EXPECT_EQ(listRows(control(kLstResults)), kRows);
}

}  // namespace
}  // namespace scandrel::search::win32
