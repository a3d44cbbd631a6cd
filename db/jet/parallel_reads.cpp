#include "db/jet/parallel_reads.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <utility>

namespace scandrel::db::jet {

ParallelReads::ParallelReads(size_t threads) : threadCount_(threads) {}

ParallelReads::~ParallelReads() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

bool ParallelReads::readOne(std::unique_lock<std::mutex>& lock) {
    if (jobs_ == nullptr || next_ >= jobs_->size()) return false;
    ReadJob& job = (*jobs_)[next_++];
    ByteSource& source = *source_;
    ++busy_;
    lock.unlock();
    bool done = false;
    std::exception_ptr failure;
    try {
        done = source.read(job.offset, job.destination, job.count);
    } catch (...) {
        failure = std::current_exception();
    }
    lock.lock();
    job.done = done;
    --busy_;
    if (failure) {
        // The first failure is the batch's; the jobs not started yet are left undone.
        if (!failure_) failure_ = failure;
        next_ = jobs_->size();
    }
    return true;
}

void ParallelReads::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || (jobs_ != nullptr && next_ < jobs_->size()); });
        if (stopping_) return;
        while (readOne(lock)) {
        }
        if (busy_ == 0) finished_.notify_all();
    }
}

void ParallelReads::run(ByteSource& source, std::vector<ReadJob>& jobs) {
    if (jobs.empty()) return;
    std::unique_lock lock(mutex_);
    source_ = &source;
    jobs_ = &jobs;
    next_ = 0;
    // The threads are made once there is something for them to do, and only as many
    // as the batch can keep busy.
    const size_t wanted = std::min(threadCount_, jobs.size() - 1);
    if (threads_.size() < wanted) {
        lock.unlock();
        try {
            while (threads_.size() < wanted) threads_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            // No more threads to be had: the ones there are do the reading.
        }
        lock.lock();
    }
    wake_.notify_all();
    while (readOne(lock)) {
    }
    // Bounded by the source's own reads, each of which ends or fails.
    finished_.wait(lock, [&] { return busy_ == 0 && next_ >= jobs.size(); });
    jobs_ = nullptr;
    source_ = nullptr;
    if (std::exception_ptr failure = std::exchange(failure_, nullptr)) std::rethrow_exception(failure);
}

}  // namespace scandrel::db::jet
