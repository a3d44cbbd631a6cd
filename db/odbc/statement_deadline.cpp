#include "db/odbc/statement_deadline.h"

namespace scandrel::db::odbc {

StatementDeadline::StatementDeadline(const Handle& statement, std::chrono::milliseconds limit) {
    const SQLHANDLE handle = statement.get();
    const auto until = std::chrono::steady_clock::now() + limit;
    watcher_ = std::thread([this, handle, until] {
        std::unique_lock lock(mutex_);
        if (wake_.wait_until(lock, until, [this] { return finished_; })) return;
        expired_ = true;
        // ODBC allows this one call from another thread while the statement runs.
        SQLCancel(handle);
    });
}

StatementDeadline::~StatementDeadline() {
    {
        const std::lock_guard lock(mutex_);
        finished_ = true;
    }
    wake_.notify_one();
    watcher_.join();
}

bool StatementDeadline::expired() const {
    const std::lock_guard lock(mutex_);
    return expired_;
}

}  // namespace scandrel::db::odbc
