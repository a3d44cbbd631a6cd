#pragma once
// One deadline for a statement, covering its execution and the fetching of all its
// rows, and the run's cancel (statement_cancel.h): a watcher thread cancels the
// statement (SQLCancel) when the limit has passed, so that a server that keeps
// sending, or a driver that does not keep to the query time-out, never holds the
// search, and when the user cancels the run. Made and dropped on the thread that runs
// the statement, before its handle is freed; the watcher thread only ever cancels.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "db/odbc/handle.h"
#include "db/odbc/statement_cancel.h"

namespace scandrel::db::odbc {

class StatementDeadline {
public:
    // 3059, before anything is sent, when the cancel of this thread was given already.
    StatementDeadline(const Handle& statement, std::chrono::milliseconds limit);
    ~StatementDeadline();
    StatementDeadline(const StatementDeadline&) = delete;
    StatementDeadline& operator=(const StatementDeadline&) = delete;

    // Whether the statement was cancelled for its time; read after a failed call.
    bool expired() const;
    // After a failed call, and when the rows have ended: 3146 for a statement
    // cancelled for its time, 3059 for one the run's cancel reached (the driver's
    // failure, or an end of rows that came early, is the cancel's); nothing otherwise.
    void throwIfStopped() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool finished_ = false;
    bool expired_ = false;
    bool cancelled_ = false;
    std::optional<StatementCancel::Registration> registration_;
    std::thread watcher_;
};

}  // namespace scandrel::db::odbc
