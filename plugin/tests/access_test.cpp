// The access check of Fire and the boxes the user sees when it refuses or fails.
#include "plugin/tests/fire_fixture.h"

#include <vector>

namespace scandrel::plugin::tests {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

TEST_F(FireTest, TextOrNumberOneGrantsAccess) {
    for (const Variant& answer : {Variant::text(u"1"), Variant::int32(1)}) {
        host->answerAccess(answer);
        fire(host.get());
        EXPECT_THAT(visibleSearchWindows(), SizeIs(1));
        closeSearchWindows();
    }
    ASSERT_THAT(host->accessRequests(), SizeIs(2));
    const VARIANT& asked = host->accessRequests()[0].value();
    ASSERT_EQ(V_VT(&asked), VT_BSTR);
    EXPECT_EQ(Bstr::adopt(SysAllocString(V_BSTR(&asked))).text(), u"Acessar pesquisas");
    EXPECT_EQ(host->dbNameReads(), 2);
    EXPECT_THAT(watcher.take(), IsEmpty());
}

TEST_F(FireTest, EveryOtherAnswerRefusesWithOnePermissionBoxAndNoWindow) {
    const std::vector<Variant> answers = {Variant::text(u"0"),  Variant::text(u""),  Variant::text(u"01"),
                                          Variant::text(u" 1"), Variant::text(u"S"), Variant::int32(0),
                                          nullValue(),          Variant()};
    for (const Variant& answer : answers) {
        host->answerAccess(answer);
        fire(host.get());
        EXPECT_THAT(watcher.take(), ElementsAre(kPermissionBox));
        EXPECT_THAT(visibleSearchWindows(), IsEmpty());
    }
    EXPECT_EQ(host->dbNameReads(), 0);
}

TEST_F(FireTest, AHostWithoutTheAccessCheckGivesOneNumberedBoxAndNoWindow) {
    host->removeMember(u"GetUserAccess");
    fire(host.get());
    EXPECT_THAT(watcher.take(),
                ElementsAre(numberedBox(u"438 O objeto não dá suporte para esta propriedade ou método")));
    EXPECT_THAT(visibleSearchWindows(), IsEmpty());
}

TEST_F(FireTest, FailuresOfTheHostKeepTheirNumberAndDescription) {
    const auto expectBox = [&](const char16_t* member, const HostFailure& failure, const std::u16string& box) {
        auto failing = FakeHost::create();
        failing->failMember(member, failure);
        fire(failing.get());
        EXPECT_THAT(watcher.take(), ElementsAre(numberedBox(box)));
        EXPECT_THAT(visibleSearchWindows(), IsEmpty());
    };
    expectBox(u"GetUserAccess", hostFailure(static_cast<HRESULT>(0x800A0035), 0, u"Arquivo não encontrado"),
              u"53 Arquivo não encontrado");
    // The number in the exception's code, the description filled in on demand.
    expectBox(u"GetUserAccess", hostFailure(E_FAIL, 3044, u"Caminho inválido", true), u"3044 Caminho inválido");
    expectBox(u"ClDbName", hostFailure(E_ACCESSDENIED, 0, u"Sem acesso ao banco"), u"-2147024891 Sem acesso ao banco");

    // A failing result without an exception: its number and the platform's message.
    auto failing = FakeHost::create();
    failing->failMember(u"GetUserAccess", hostFailure(E_OUTOFMEMORY, 0, u"", false, false));
    fire(failing.get());
    const auto boxes = watcher.take();
    ASSERT_THAT(boxes, SizeIs(1));
    EXPECT_EQ(boxes[0].text.rfind(u"-2147024882 ", 0), 0u);
    EXPECT_GT(boxes[0].text.size(), 13u);
}

TEST_F(FireTest, ANullDatabaseNameIsInvalidUseOfNull) {
    host->setDbName(nullValue());
    fire(host.get());
    EXPECT_THAT(watcher.take(), ElementsAre(numberedBox(u"94 Uso inválido de Null")));
    EXPECT_THAT(visibleSearchWindows(), IsEmpty());
}

TEST_F(FireTest, FireWithoutAHostObjectIsErrorNinetyOne) {
    IDispatch* nothing = nullptr;
    EXPECT_EQ(object->Fire(&nothing), S_OK);
    EXPECT_THAT(watcher.take(),
                ElementsAre(numberedBox(u"91 Variável de objeto ou variável do bloco With não definida")));
}

TEST_F(FireTest, ABoxShownWhileASearchWindowIsVisibleIsOwnedByIt) {
    fire(host.get());
    const auto windows = visibleSearchWindows();
    ASSERT_THAT(windows, SizeIs(1));
    auto refusing = FakeHost::create();
    refusing->answerAccess(Variant::text(u"0"));
    fire(refusing.get());
    const auto boxes = watcher.take();
    ASSERT_THAT(boxes, ElementsAre(kPermissionBox));
    EXPECT_EQ(boxes[0].owner, windows[0]);
}

}  // namespace
}  // namespace scandrel::plugin::tests
