#pragma once
// Statements of a scan's next batch sent ahead, on a thread of its own, while the
// search reads the batch it holds; their answers wait here until the search sends the
// same statements. Made, used and dropped on the search's thread; the threads it
// starts only run a job's statements.
//
//  1. start(job, beside) waits for the last job to end, drops whatever answers it left
//     (taken or not) and runs `job` on a new thread, and `beside`, when given, on
//     another at the same time: one job, one batch ahead, at a time.
//  2. The job sends its statements through the `send` it is given, `beside` through
//     the second sender (another connection, so that the server answers one while
//     the driver reads the other's rows); each answer, or each failure (an Error), is
//     kept under the statement's text.
//  3. take(sql) gives the answer kept under `sql`, once, waiting while either runs
//     and has not sent it yet. A failure is thrown there, as the statement would have
//     thrown it sent then; nothing when the job ended without sending it.
//  4. Dropping stops both before their next statement and waits for the statements
//     they are sending: no thread and no statement is left.
//  5. release(rows) keeps rows the search has done with until the next job starts,
//     which frees them on its own thread before its first statement: a batch's many
//     small values are not freed on the search's thread. At most the batch before
//     the one read is held so.
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "db/odbc/result_rows.h"
#include "text/error.h"

namespace scandrel::db::odbc {

class StatementCancel;

class StatementsAhead {
public:
    // Sends one statement and takes its rows; any thread, one at a time.
    using Send = std::function<std::shared_ptr<const ResultRows>(const std::u16string& sql)>;
    using Job = std::function<void(const Send& send)>;

    // `besideSend` sends the statements of a job's `beside` part; without it, `send` does.
    explicit StatementsAhead(Send send, Send besideSend = {});
    ~StatementsAhead();
    StatementsAhead(const StatementsAhead&) = delete;
    StatementsAhead& operator=(const StatementsAhead&) = delete;

    void start(Job job, Job beside = {});
    // Tells the job to stop before its next statement; dropping waits for it.
    void stop();
    std::optional<std::shared_ptr<const ResultRows>> take(const std::u16string& sql);
    // Rows to be freed by the next job (5); null is ignored.
    void release(std::shared_ptr<const ResultRows> rows);

    // For tests: the rows of the answers held and not yet taken; whether a job runs.
    size_t rowsHeld() const;
    bool running() const;

private:
    struct Answer {
        std::shared_ptr<const ResultRows> rows;
        std::optional<Error> failure;
    };
    void finish();
    // Runs `job` with statements sent through `send`, on a thread bound to `cancel`.
    std::thread run(Job job, const Send& send, std::shared_ptr<StatementCancel> cancel);

    Send send_, besideSend_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::u16string, Answer> answers_;
    std::vector<std::shared_ptr<const ResultRows>> released_;
    int running_ = 0;  // jobs
    bool stopping_ = false;
    std::thread thread_, besideThread_;
};

}  // namespace scandrel::db::odbc
