#include "db/odbc/statement_deadline.h"

#include "db/base/errors.h"

namespace scandrel::db::odbc {

StatementDeadline::StatementDeadline(const Handle& statement, std::chrono::milliseconds limit) {
    registration_.emplace(StatementCancel::ofThisThread().get(), [this] {
        {
            const std::lock_guard lock(mutex_);
            cancelled_ = true;
        }
        wake_.notify_one();
    });
    const SQLHANDLE handle = statement.get();
    const auto until = std::chrono::steady_clock::now() + limit;
    watcher_ = std::thread([this, handle, until] {
        std::unique_lock lock(mutex_);
        while (!finished_) {
            if (cancelled_) {
                // ODBC allows this one call from another thread while the statement
                // runs. Again after a while: the cancel may have come just before the
                // driver began the call it should stop.
                lock.unlock();
                SQLCancel(handle);
                lock.lock();
                wake_.wait_for(lock, StatementCancel::kCancelAgain, [this] { return finished_; });
            } else if (!wake_.wait_until(lock, until, [this] { return finished_ || cancelled_; })) {
                expired_ = true;
                SQLCancel(handle);
                return;
            }
        }
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

void StatementDeadline::throwIfStopped() const {
    const std::lock_guard lock(mutex_);
    if (expired_) throw statementTooLong();
    if (cancelled_) throw operationCancelled();
}

}  // namespace scandrel::db::odbc
