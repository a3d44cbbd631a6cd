#include "db/odbc/statements_ahead.h"

#include "db/odbc/statement_cancel.h"

namespace scandrel::db::odbc {
namespace {

// Ends a job that was told to stop, at its next statement.
struct Stopped {};

}  // namespace

StatementsAhead::StatementsAhead(Send send, Send besideSend)
    : send_(std::move(send)), besideSend_(besideSend ? std::move(besideSend) : send_) {}

StatementsAhead::~StatementsAhead() { finish(); }

void StatementsAhead::stop() {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
}

void StatementsAhead::finish() {
    stop();
    if (thread_.joinable()) thread_.join();
    if (besideThread_.joinable()) besideThread_.join();
    const std::lock_guard lock(mutex_);
    stopping_ = false;
    answers_.clear();
}

void StatementsAhead::release(std::shared_ptr<const ResultRows> rows) {
    if (!rows) return;
    const std::lock_guard lock(mutex_);
    released_.push_back(std::move(rows));
}

void StatementsAhead::start(Job job, Job beside) {
    finish();
    std::vector<std::shared_ptr<const ResultRows>> released;
    {
        const std::lock_guard lock(mutex_);
        running_ = beside ? 2 : 1;
        released.swap(released_);
    }
    // The job's statements are the search's: the search's cancel reaches them too.
    const std::shared_ptr<StatementCancel> cancel = StatementCancel::ofThisThread();
    thread_ = run(
        [job = std::move(job), released = std::move(released)](const Send& send) mutable {
            released.clear();
            job(send);
        },
        send_, cancel);
    if (beside) besideThread_ = run(std::move(beside), besideSend_, cancel);
}

std::thread StatementsAhead::run(Job job, const Send& sender, std::shared_ptr<StatementCancel> cancel) {
    return std::thread([this, job = std::move(job), &sender, cancel = std::move(cancel)] {
        const CancelOnThisThread bound(cancel);
        const Send send = [this, &sender](const std::u16string& sql) -> std::shared_ptr<const ResultRows> {
            {
                const std::lock_guard lock(mutex_);
                if (stopping_) throw Stopped{};
            }
            Answer answer;
            try {
                answer.rows = sender(sql);
            } catch (const Error& e) {
                answer.failure = e;
            }
            std::shared_ptr<const ResultRows> rows = answer.rows;
            {
                const std::lock_guard lock(mutex_);
                answers_.insert_or_assign(sql, std::move(answer));
            }
            changed_.notify_all();
            if (!rows) throw Stopped{};  // what follows depended on it
            return rows;
        };
        try {
            job(send);
        } catch (...) {
            // Stopped, a failure kept above, or no memory: the search sends what it
            // then needs itself.
        }
        {
            const std::lock_guard lock(mutex_);
            --running_;
        }
        changed_.notify_all();
    });
}

std::optional<std::shared_ptr<const ResultRows>> StatementsAhead::take(const std::u16string& sql) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return running_ == 0 || answers_.count(sql) > 0; });
    const auto found = answers_.find(sql);
    if (found == answers_.end()) return std::nullopt;
    Answer answer = std::move(found->second);
    answers_.erase(found);
    lock.unlock();
    if (answer.failure) throw *answer.failure;
    return std::move(answer.rows);
}

size_t StatementsAhead::rowsHeld() const {
    const std::lock_guard lock(mutex_);
    size_t rows = 0;
    for (const auto& [sql, answer] : answers_)
        if (answer.rows) rows += answer.rows->rows.size();
    return rows;
}

bool StatementsAhead::running() const {
    const std::lock_guard lock(mutex_);
    return running_ > 0;
}

}  // namespace scandrel::db::odbc
