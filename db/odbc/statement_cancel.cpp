#include "db/odbc/statement_cancel.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "db/base/errors.h"

namespace scandrel::db::odbc {
namespace {

thread_local StatementCancel* boundCancel = nullptr;

}  // namespace

void StatementCancel::cancel() {
    const std::lock_guard lock(mutex_);
    cancelled_ = true;
    for (const Running& statement : running_) (*statement.wake)();
}

bool StatementCancel::cancelled() const {
    const std::lock_guard lock(mutex_);
    return cancelled_;
}

bool StatementCancel::running() const {
    const std::lock_guard lock(mutex_);
    return !running_.empty();
}

std::chrono::steady_clock::duration StatementCancel::longestRunning() const {
    const std::lock_guard lock(mutex_);
    if (running_.empty()) return {};
    return std::chrono::steady_clock::now() - running_.front().since;  // the first registered is the oldest
}

std::shared_ptr<StatementCancel> StatementCancel::ofThisThread() {
    return boundCancel != nullptr ? boundCancel->shared_from_this() : nullptr;
}

StatementCancel::Registration::Registration(StatementCancel* cancel, std::function<void()> wake)
    : cancel_(cancel), wake_(std::move(wake)) {
    if (cancel_ == nullptr) return;
    const std::lock_guard lock(cancel_->mutex_);
    if (cancel_->cancelled_) throw operationCancelled();
    cancel_->running_.push_back({&wake_, std::chrono::steady_clock::now()});
}

StatementCancel::Registration::~Registration() {
    if (cancel_ == nullptr) return;
    const std::lock_guard lock(cancel_->mutex_);
    const auto at = std::find_if(cancel_->running_.begin(), cancel_->running_.end(),
                                 [this](const Running& statement) { return statement.wake == &wake_; });
    assert(at != cancel_->running_.end());
    cancel_->running_.erase(at);
}

CancelOnThisThread::CancelOnThisThread(std::shared_ptr<StatementCancel> cancel)
    : cancel_(std::move(cancel)), previous_(boundCancel) {
    boundCancel = cancel_.get();
}

CancelOnThisThread::~CancelOnThisThread() { boundCancel = previous_; }

}  // namespace scandrel::db::odbc
