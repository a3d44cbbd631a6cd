// "Cancelar" clicked while the run's worker holds patients built ahead of the window:
// the run stops after the patient at hand as ever, the patients built ahead are
// dropped, and the worker is gone by the time the window is idle again.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "search/patient_worker.h"
#include "testing/test_clinic.h"
#include "search/win32/search_window.h"
#include "search/win32/search_window_ids.h"
#include "search/win32/tests/run_probe.h"
#include "testing/win32/window_driver.h"
#include "testing/win32/message_box_watcher.h"
#include "text/utf.h"

namespace scandrel::search::win32 {
namespace {

using namespace scandrel::search::testing;
using namespace scandrel::search::win32::testing;
using ::testing::IsEmpty;
using scandrel::testing::MessageBoxWatcher;

// More patients than the worker builds ahead, so that it is still at work when the
// user cancels.
constexpr int kPatients = 3 * static_cast<int>(kWindowPatientsAhead);

TEST(WorkerCancel, CancelarWithPatientsBuiltAheadStopsAtThePatientAtHandAndEndsTheWorker) {
    TempDir dir;
    const fs::path file = dir / "clinica.mdb";
    std::vector<std::u16string> rows;
    {
        ClinicWriter clinic(file);
        for (int i = 0; i < kPatients; ++i) {
            const std::u16string name = u"PACIENTE " + fromUtf8(std::to_string(100 + i));
            const int32_t id = clinic.add(kPacientes, {{u"Paci_tx_NomePaciente", Value::text(name)}});
            clinic.add(kAnamneses, {{u"Anam_ln_Paciente", number(id)}, {u"Anam_tx_Diagnostico1", text(u"Retorno")}});
            rows.push_back(name);
        }
        clinic.finish();
    }
    MessageBoxWatcher boxes;
    const std::shared_ptr<SearchWindow> window = SearchWindow::create(GetModuleHandleW(nullptr), [](int32_t) {});
    window->setDbName(file.u16string());
    window->show();
    pump();
    const auto control = [&](int id) { return GetDlgItem(window->handle(), id); };

    int looks = 0;
    size_t workersDuringTheRun = 0;
    RunProbe probe(window->handle(), [&] {
        if (!windowText(control(kLblResults)).starts_with(L"Pesquisando") || !IsWindowVisible(control(kCxCancel)))
            return;
        // Each look holds the run up: meanwhile the worker fills every slot it has.
        RunProbe::holdUp();
        if (++looks == 3) {
            workersDuringTheRun = patientWorkersAlive();
            const HWND cancel = control(kCxCancel);
            PostMessageW(cancel, WM_LBUTTONDOWN, MK_LBUTTON, point(30, 8));
            PostMessageW(cancel, WM_LBUTTONUP, 0, point(30, 8));
        }
    });
    typeText(control(kTxtSearch), u"retorno");
    postKey(control(kTxtSearch), VK_RETURN);
    ASSERT_TRUE(pumpUntil([&] { return !IsWindowVisible(control(kCxCancel)) &&
                                       windowText(control(kLblResults)).starts_with(L"Pesquisa conclu"); }));

    EXPECT_EQ(workersDuringTheRun, PatientsAhead::kThreads);
    EXPECT_EQ(patientWorkersAlive(), 0u);
    const std::vector<std::u16string> shown = listRows(control(kLstResults));
    EXPECT_EQ(shown, std::vector<std::u16string>(rows.begin(), rows.begin() + 3));
    EXPECT_EQ(windowText(control(kLblResults)), L"Pesquisa concluída. Foram encontrados 3 resultados.");

    DestroyWindow(window->handle());
    pump();
    EXPECT_EQ(loadedWindowCount(), 0);
    EXPECT_THAT(boxes.take(), IsEmpty());
}

}  // namespace
}  // namespace scandrel::search::win32
