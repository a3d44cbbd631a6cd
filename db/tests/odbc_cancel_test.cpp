// The run's cancel reaching a statement on a PostgreSQL or MariaDB server the test
// starts: a statement that waits on the server for another client's lock ends with
// 3059 soon after the cancel, given on another thread; the connection serves the
// next statement; and a cancelled run sends no statement more.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

#include "db/base/errors.h"
#include "db/odbc/connection.h"
#include "db/odbc/round_trips.h"
#include "db/odbc/statement_cancel.h"
#include "db/odbc/statements_ahead.h"
#include "testing/jet_test_files.h"
#include "testing/servers/table_lock.h"
#include "testing/servers/test_server.h"

namespace scandrel::db {
namespace {

using namespace std::chrono_literals;
using odbc::testing::ServerKind;
using odbc::testing::TableLock;
using odbc::testing::TestServer;

class OdbcCancel : public ::testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override {
        if (!odbc::testing::serverAvailable(GetParam()))
            GTEST_SKIP() << odbc::testing::serverName(GetParam()) << " or its ODBC driver is not installed";
    }
};

// Waits for `done`, at most `limit`.
bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

TEST_P(OdbcCancel, ACancelFromAnotherThreadEndsAStatementWaitingOnTheServerAndKeepsTheNextFromStarting) {
    TestServer server(GetParam());
    {
        std::ofstream sql(server.folder() / "locked.sql");
        sql << "CREATE TABLE \"Trancada\" (\"N\" INTEGER);\n"
               "INSERT INTO \"Trancada\" VALUES (1), (2);\n";
    }
    server.runSql(server.folder() / "locked.sql");
    odbc::Connection connection(server.connectString().substr(5), u"servidor");  // without "ODBC;"
    // A cancel that never arrives still ends the statement, and the test.
    connection.setLimits({.time = 30s});
    const std::u16string select = u"SELECT * FROM " + connection.quoted(u"Trancada");
    ASSERT_EQ(connection.fetch(select)->rows.size(), 2u);

    const auto cancel = std::make_shared<odbc::StatementCancel>();
    {
        const TableLock lock(server, u"Trancada");
        std::string failure;
        std::atomic<bool> ended{false};
        std::chrono::steady_clock::time_point endedAt;
        std::thread reader([&] {
            const odbc::CancelOnThisThread bound(cancel);
            failure = testing::describedError([&] { connection.fetch(select); });
            endedAt = std::chrono::steady_clock::now();
            ended = true;
        });
        // The statement is sent, and then waits for the lock.
        EXPECT_TRUE(waitFor([&] { return cancel->running(); }, 10s));
        std::this_thread::sleep_for(500ms);
        EXPECT_FALSE(ended) << "the statement did not wait for the lock: " << failure;
        const auto cancelledAt = std::chrono::steady_clock::now();
        cancel->cancel();
        reader.join();
        EXPECT_LT(endedAt - cancelledAt, 5s);
        EXPECT_EQ(failure, "3059: Operação cancelada pelo usuário.");
        EXPECT_FALSE(cancel->running());
    }
    // The lock given back: the same connection serves the next statement.
    EXPECT_EQ(connection.fetch(select)->rows.size(), 2u);

    // On a cancelled run's thread no statement starts: nothing reaches the server.
    const odbc::CancelOnThisThread bound(cancel);
    const uint64_t sent = odbc::roundTrips();
    EXPECT_EQ(testing::errorNumberOf([&] { connection.fetch(select); }), kOperationCancelled);
    EXPECT_EQ(testing::errorNumberOf([&] { connection.primaryKey(u"Trancada"); }), kOperationCancelled);
    EXPECT_EQ(odbc::roundTrips(), sent);
}

TEST(StatementCancel, WakesEveryRunningStatementOnceCancelledRegistersNoneAfterAndFollowsStatementsSentAhead) {
    const auto cancel = std::make_shared<odbc::StatementCancel>();
    int woken = 0;
    {
        const odbc::StatementCancel::Registration first(cancel.get(), [&] { ++woken; });
        const odbc::StatementCancel::Registration second(cancel.get(), [&] { ++woken; });
        EXPECT_TRUE(cancel->running());
        cancel->cancel();
        EXPECT_EQ(woken, 2);
        EXPECT_TRUE(cancel->cancelled());
    }
    EXPECT_FALSE(cancel->running());
    EXPECT_EQ(cancel->longestRunning(), std::chrono::steady_clock::duration::zero());
    EXPECT_EQ(testing::errorNumberOf([&] { odbc::StatementCancel::Registration(cancel.get(), [] {}); }),
              kOperationCancelled);
    EXPECT_FALSE(cancel->running());
    // A thread without a cancel of its own has none; a binding gives back the one before it.
    EXPECT_EQ(odbc::StatementCancel::ofThisThread(), nullptr);
    {
        const odbc::CancelOnThisThread outer(cancel);
        const auto other = std::make_shared<odbc::StatementCancel>();
        {
            const odbc::CancelOnThisThread inner(other);
            EXPECT_EQ(odbc::StatementCancel::ofThisThread().get(), other.get());
            std::thread([] { EXPECT_EQ(odbc::StatementCancel::ofThisThread(), nullptr); }).join();
        }
        EXPECT_EQ(odbc::StatementCancel::ofThisThread().get(), cancel.get());
        // Statements sent ahead on a thread of their own are the search's: its cancel
        // reaches them too.
        const odbc::StatementCancel* sentWith = nullptr;
        odbc::StatementsAhead ahead([&](const std::u16string&) {
            sentWith = odbc::StatementCancel::ofThisThread().get();
            return std::make_shared<const odbc::ResultRows>();
        });
        ahead.start([](const odbc::StatementsAhead::Send& send) { send(u"SELECT 1"); });
        EXPECT_TRUE(ahead.take(u"SELECT 1").has_value());
        EXPECT_EQ(sentWith, cancel.get());
    }
    EXPECT_EQ(odbc::StatementCancel::ofThisThread(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Servers, OdbcCancel, ::testing::ValuesIn(odbc::testing::serverKinds()),
                         [](const auto& tested) { return odbc::testing::serverName(tested.param); });

}  // namespace
}  // namespace scandrel::db
