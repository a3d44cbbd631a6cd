// Statements sent ahead on a thread of their own: answers wait for the statement that
// needs them, failures surface there, and nothing is left running once dropped.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <chrono>

#include "db/odbc/statements_ahead.h"

namespace scandrel::db::odbc {
namespace {

// A server stand-in: each statement's answer is one row per character of its text;
// "falha" fails with 3146; "lenta" waits until let go.
class FakeServer {
public:
    std::shared_ptr<const ResultRows> send(const std::u16string& sql) {
        ++sent;
        if (sql == u"lenta") {
            std::unique_lock lock(mutex_);
            inSlow_ = true;
            changed_.notify_all();
            changed_.wait(lock, [&] { return letGo_; });
        }
        if (sql == u"falha") throw Error(3146, u"Falha na chamada ODBC. [08S01] conexão perdida");
        auto rows = std::make_shared<ResultRows>();
        rows->rows.resize(sql.size());
        return rows;
    }
    void waitForSlow() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return inSlow_; });
    }
    void letGo() {
        const std::lock_guard lock(mutex_);
        letGo_ = true;
        changed_.notify_all();
    }
    std::atomic<int> sent{0};

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool inSlow_ = false, letGo_ = false;
};

StatementsAhead::Send sender(FakeServer& server) {
    return [&server](const std::u16string& sql) { return server.send(sql); };
}

TEST(StatementsAhead, AnswersWaitForTheirStatementOnceAndFailuresSurfaceThere) {
    FakeServer server;
    StatementsAhead ahead(sender(server));
    EXPECT_FALSE(ahead.take(u"abc").has_value());  // no job: the search sends it itself

    ahead.start([](const StatementsAhead::Send& send) {
        send(u"abc");
        send(u"falha");
        send(u"nunca");  // a statement after a failure is left to the search
    });
    const auto rows = ahead.take(u"abc");
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ((*rows)->rows.size(), 3u);
    EXPECT_FALSE(ahead.take(u"abc").has_value());  // given once
    try {
        ahead.take(u"falha");
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 3146);
        EXPECT_EQ(e.description(), u"Falha na chamada ODBC. [08S01] conexão perdida");
    }
    EXPECT_FALSE(ahead.take(u"nunca").has_value());
    EXPECT_FALSE(ahead.running());
    EXPECT_EQ(server.sent, 2);
}

TEST(StatementsAhead, ANewJobDropsWhatTheLastLeftSoAtMostOneBatchIsHeld) {
    FakeServer server;
    StatementsAhead ahead(sender(server));
    ahead.start([](const StatementsAhead::Send& send) {
        send(u"um");
        send(u"dois");
    });
    EXPECT_TRUE(ahead.take(u"um").has_value());
    ahead.start([](const StatementsAhead::Send& send) { send(u"três"); });
    EXPECT_FALSE(ahead.take(u"dois").has_value());
    EXPECT_TRUE(ahead.take(u"três").has_value());
    EXPECT_EQ(ahead.rowsHeld(), 0u);
}

TEST(StatementsAhead, DroppingWithAStatementInFlightWaitsForItAndSendsNoMore) {
    FakeServer server;
    std::atomic<bool> after{false};
    {
        StatementsAhead ahead(sender(server));
        ahead.start([&](const StatementsAhead::Send& send) {
            send(u"lenta");
            after = true;
            send(u"depois");
        });
        server.waitForSlow();
        EXPECT_TRUE(ahead.running());
        ahead.stop();
        server.letGo();
    }
    // The statement in flight ended before the object went; the next was never sent.
    EXPECT_TRUE(after);
    EXPECT_EQ(server.sent, 1);
}

// A job's part beside runs at the same time, through the second sender: the job's
// own answers are taken while it waits on a slow statement, a take of its answer
// waits for it, and dropping waits for it too. Rows held for freeing go with the
// next job.
TEST(StatementsAhead, AJobsPartBesideRunsAtOnceOnTheSecondSenderAndIsWaitedFor) {
    FakeServer first, second;
    {
        StatementsAhead ahead(sender(first), sender(second));
        auto done = std::make_shared<ResultRows>();
        std::weak_ptr<const ResultRows> released = done;
        ahead.release(std::move(done));
        ahead.start([](const StatementsAhead::Send& send) { send(u"pacientes"); },
                    [&](const StatementsAhead::Send& send) {
                        send(u"lenta");
                        send(u"anamneses");
                        send(u"consultas");
                    });
        second.waitForSlow();
        const auto rows = ahead.take(u"pacientes");
        ASSERT_TRUE(rows.has_value());
        EXPECT_EQ((*rows)->rows.size(), 9u);
        EXPECT_TRUE(released.expired());
        EXPECT_TRUE(ahead.running());
        std::thread later([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            second.letGo();
        });
        EXPECT_TRUE(ahead.take(u"anamneses").has_value());  // waited for
        later.join();
        ahead.stop();
    }
    EXPECT_EQ(first.sent, 1);
    EXPECT_GE(second.sent, 2);
    EXPECT_LE(second.sent, 3);
}

}  // namespace
}  // namespace scandrel::db::odbc
