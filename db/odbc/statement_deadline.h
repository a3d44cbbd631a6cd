#pragma once
// One deadline for a statement, covering its execution and the fetching of all its
// rows: a watcher thread cancels the statement (SQLCancel) when the limit has passed,
// so that a server that keeps sending, or a driver that does not keep to the query
// time-out, never holds the search. Made and dropped on the thread that runs the
// statement; the watcher thread only ever cancels.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "db/odbc/handle.h"

namespace scandrel::db::odbc {

class StatementDeadline {
public:
    StatementDeadline(const Handle& statement, std::chrono::milliseconds limit);
    ~StatementDeadline();
    StatementDeadline(const StatementDeadline&) = delete;
    StatementDeadline& operator=(const StatementDeadline&) = delete;

    // Whether the statement was cancelled for its time; read after a failed call.
    bool expired() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool finished_ = false;
    bool expired_ = false;
    std::thread watcher_;
};

}  // namespace scandrel::db::odbc
