// The time left that a run shows, with a clock that moves while the run goes: every
// patient takes ten seconds of the test's time.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/plain_text_buffer.h"
#include "search/search_controller.h"
#include "testing/recording_view.h"
#include "testing/test_clinic.h"
#include "text/utf.h"

namespace scandrel::search::testing {
namespace {

using ::testing::ElementsAre;

TEST(RunClock, TheStartIsReadOnceSoTheTimeLeftFallsAsTheRunGoes) {
    TempDir dir;
    const fs::path file = dir / "relogio.mdb";
    {
        ClinicWriter clinic(file);
        for (int i = 1; i <= 12; ++i) {
            clinic.add(kPacientes, {{u"Paci_tx_NomePaciente", Value::text(u"PACIENTE " + fromUtf8(std::to_string(10 + i)))}});
        }
        clinic.finish();
    }
    float now = 36000.0f;  // ten in the morning
    int reads = 0;
    RecordingView view;
    PlainTextBuffer buffer;
    SearchController controller(view, buffer, [&] {
        ++reads;
        return now;
    });
    controller.setDbName(fromUtf8(file.string()));
    view.onYield = [&](int) { now += 10.0f; };  // the patient at hand took ten seconds
    view.box = u"paciente";
    controller.cxFind_Click();

    std::vector<std::u16string> shown;
    for (const std::u16string& caption : view.captions) {
        if (caption.find(u"restantes") != std::u16string::npos) shown.push_back(caption);
    }
    // After patient k of 12, 10k seconds have passed since the start and 120 - 10k are left.
    EXPECT_THAT(shown, ElementsAre(u"Pesquisando... (1/12, 8%). 1 minuto(s) restantes.",
                                   u"Pesquisando... (2/12, 17%). 1 minuto(s) restantes.",
                                   u"Pesquisando... (3/12, 25%). 1 minuto(s) restantes.",
                                   u"Pesquisando... (4/12, 33%). 1 minuto(s) restantes.",
                                   u"Pesquisando... (5/12, 42%). 1 minuto(s) restantes.",
                                   u"Pesquisando... (6/12, 50%). 1 minuto(s) restantes.",
                                   u"Pesquisando... (7/12, 58%). 50 segundos restantes.",
                                   u"Pesquisando... (8/12, 67%). 40 segundos restantes.",
                                   u"Pesquisando... (9/12, 75%). 30 segundos restantes.",
                                   u"Pesquisando... (10/12, 83%). 20 segundos restantes.",
                                   u"Pesquisando... (11/12, 92%). 10 segundos restantes.",
                                   u"Pesquisando... (12/12, 100%). 0 segundos restantes."));
    EXPECT_EQ(view.caption, u"Pesquisa concluída. Foram encontrados 12 resultados.");
    // One reading for the start, then two or three per patient for the estimate.
    EXPECT_GE(reads, 1 + 2 * 12);
    EXPECT_LE(reads, 1 + 3 * 12);
}

}  // namespace
}  // namespace scandrel::search::testing
