// Two Fire calls from two host objects: the first window stays usable, and a patient
// chosen in it opens through the host object of the latest Fire.
#include "plugin/tests/fire_fixture.h"

#include <vector>

#include "search/win32/search_window_ids.h"
#include "testing/test_clinic.h"
#include "testing/win32/window_driver.h"

namespace scandrel::plugin::tests {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using namespace search::win32;
using namespace search::win32::testing;
namespace clinic = search::testing;

std::vector<int32_t> counters(const FakeHost& host) {
    std::vector<int32_t> opened;
    for (const Variant& v : host.openedPatients()) {
        EXPECT_EQ(V_VT(&v.value()), VT_I4);
        opened.push_back(V_I4(&v.value()));
    }
    return opened;
}

TEST_F(FireTest, ARowOfTheFirstWindowOpensThroughTheLatestHostObject) {
    const clinic::TempDir dir;
    const clinic::fs::path file = dir / "clinica.mdb";
    int32_t bia = 0;
    {
        clinic::ClinicWriter writer(file);
        writer.add(clinic::kPacientes, {{u"Paci_tx_NomePaciente", clinic::text(u"CAIO LIMA")}});
        bia = writer.add(clinic::kPacientes, {{u"Paci_tx_NomePaciente", clinic::text(u"BIA LIMA")}});
        writer.add(clinic::kPacientes, {{u"Paci_tx_NomePaciente", clinic::text(u"ANA LIMA")}});
        writer.finish();
    }
    host->setDbName(Variant::text(file.u16string()));
    fire(host.get());
    const auto opened = visibleSearchWindows();
    ASSERT_THAT(opened, SizeIs(1));
    const HWND first = opened[0];

    const auto latest = FakeHost::create();
    latest->setDbName(Variant::text(file.u16string()));
    fire(latest.get());
    ASSERT_THAT(visibleSearchWindows(), SizeIs(2));

    // The user searches in the first window and opens its second row.
    const HWND box = GetDlgItem(first, kTxtSearch);
    const HWND list = GetDlgItem(first, kLstResults);
    typeText(box, u"lima");
    postKey(box, VK_RETURN);
    ASSERT_TRUE(pumpUntil([&] { return windowText(GetDlgItem(first, kLblResults)).starts_with(L"Pesquisa conclu"); }));
    ASSERT_THAT(listRows(list), ElementsAre(u"ANA LIMA", u"BIA LIMA", u"CAIO LIMA"));
    postRowClick(list, 1, true);
    ASSERT_TRUE(pumpUntil([&] { return !latest->openedPatients().empty(); }));
    PostMessageW(list, WM_CHAR, 'b', 1);
    ASSERT_TRUE(pumpUntil([&] { return latest->openedPatients().size() == 2; }));

    EXPECT_THAT(counters(*latest.get()), ElementsAre(bia, bia));
    EXPECT_THAT(host->openedPatients(), IsEmpty());
    EXPECT_THAT(watcher.take(), IsEmpty());
}

}  // namespace
}  // namespace scandrel::plugin::tests
