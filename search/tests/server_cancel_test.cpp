// "Cancelar" while a PostgreSQL or MariaDB server the test starts holds the search: a
// table the search reads only past its first patients is locked by another client, so
// that the statement the run's worker sends for them waits on the server. The
// window's cancel, given while the run waits, reaches that statement: the run ends
// as after any cancel, with the rows found so far, no box and no thread left.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "db/odbc/server.h"
#include "search/patient_worker.h"
#include "search/plain_text_buffer.h"
#include "search/search_controller.h"
#include "testing/recording_view.h"
#include "testing/servers/server_copy.h"
#include "testing/servers/table_lock.h"
#include "testing/servers/test_server.h"
#include "testing/test_clinic.h"
#include "text/utf.h"

namespace scandrel::search::testing {
namespace {

using db::odbc::testing::ServerKind;
using db::odbc::testing::TableLock;
using db::odbc::testing::TestServer;
using ::testing::IsEmpty;

class ServerCancel : public ::testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override {
        if (!db::odbc::testing::serverAvailable(GetParam()))
            GTEST_SKIP() << db::odbc::testing::serverName(GetParam()) << " or its ODBC driver is not installed";
    }
};

TEST_P(ServerCancel, CancelarWhileTheServerHoldsAStatementEndsTheRunAsAnyCancelWithTheRowsFoundSoFar) {
    // More patients than the links bring in one batch; the first batch has no guide,
    // so the search first reads the procedures, which another client of the server has
    // locked, at the end of that batch (the patients built ahead of the run read there).
    constexpr size_t kBatch = db::odbc::Server::kPatientsPerBatch;
    TempDir dir;
    const fs::path clinic = dir / "clinica.mdb";
    const std::vector<std::u16string> names =
        writeRetornoClinic(clinic, static_cast<int>(kBatch) + 100, static_cast<int>(kBatch));
    const TestServer server(GetParam());
    const fs::path front = dir / "servidor.mdb";
    {
        const db::Database jet = db::Database::open(clinic);
        db::odbc::testing::writeServerCopy(jet, server.folder() / "copy.sql", GetParam());
        server.runSql(server.folder() / "copy.sql");
        db::odbc::testing::writeLinkingFrontEnd(jet, front, server.connectString(), {});
    }

    RecordingView view;
    PlainTextBuffer buffer;
    SearchController controller(view, buffer, [] { return 36000.0f; });
    controller.setDbName(fromUtf8(front.string()));
    std::optional<TableLock> lock(std::in_place, server, u"ProcedimentosExames");
    // Every patient is listed, so a run that has listed nearly the whole first batch and
    // then yields ten times without listing one is waiting for the locked table; the
    // patients read ahead of the run wait with it. A slow batch earlier on, as under
    // load, also stops the rows for a while, and must not be taken for the lock.
    size_t rowsAtLastYield = 0;
    int yieldsWithoutARow = 0;
    std::optional<std::chrono::steady_clock::time_point> cancelledAt;
    view.onYield = [&](int) {
        yieldsWithoutARow = view.rows.size() == rowsAtLastYield ? yieldsWithoutARow + 1 : 0;
        rowsAtLastYield = view.rows.size();
        if (!cancelledAt && rowsAtLastYield >= kBatch - kDefaultPatientsAhead && yieldsWithoutARow == 10) {
            cancelledAt = std::chrono::steady_clock::now();
            controller.cxCancel_Click();
        }
    };
    view.box = u"retorno";
    controller.cxFind_Click();
    const auto ended = std::chrono::steady_clock::now();

    ASSERT_TRUE(cancelledAt) << "the run did not wait for the locked table";
    EXPECT_LT(ended - *cancelledAt, std::chrono::seconds(5));
    EXPECT_EQ(controller.lastOutcome(), RunOutcome::Cancelled);
    EXPECT_EQ(controller.lastFailure(), std::nullopt);
    EXPECT_THAT(view.messages, IsEmpty());
    // The rows found so far: the first ones in name order, none past the locked batch.
    const size_t listed = view.rows.size();
    ASSERT_LE(listed, kBatch);
    EXPECT_GE(listed, kBatch - kDefaultPatientsAhead);
    EXPECT_EQ(view.rows, std::vector<std::u16string>(names.begin(), names.begin() + static_cast<long>(listed)));
    EXPECT_EQ(view.caption, u"Pesquisa concluída. Foram encontrados " + fromUtf8(std::to_string(listed)) +
                                u" resultados.");
    EXPECT_FALSE(view.cancelVisible);
    EXPECT_FALSE(view.locked);
    EXPECT_TRUE(view.findEnabled);
    EXPECT_EQ(view.progress, 0);
    EXPECT_EQ(patientWorkersAlive(), 0u);

    // The lock given back, the next search reads every patient from the same server.
    lock.reset();
    view.onYield = {};
    controller.cxFind_Click();
    EXPECT_EQ(controller.lastOutcome(), RunOutcome::Completed);
    EXPECT_EQ(view.rows, names);
    EXPECT_THAT(view.messages, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Servers, ServerCancel, ::testing::ValuesIn(db::odbc::testing::serverKinds()),
                         [](const auto& tested) { return db::odbc::testing::serverName(tested.param); });

}  // namespace
}  // namespace scandrel::search::testing
