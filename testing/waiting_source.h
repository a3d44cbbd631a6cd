#pragma once
// A database file read as over a network: every read waits before it is served,
// and the file says it is remote.
// Counts the reads and the most that were ever under way at once. Whether reads
// overlap is up to the scheduler on a busy machine; a source told to `meet` makes
// it up to the reader: once reads have come from two threads, and until two have
// been under way together, a read that starts alone waits for another to start,
// all such waits together at most `meet`. A reader that never reads two at once
// still finishes, `meet` later, and shows one at a time.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "db/jet/byte_source.h"

namespace scandrel::db::testing {

class WaitingSource final : public jet::ByteSource {
public:
    WaitingSource(std::unique_ptr<jet::ByteSource> file, std::chrono::microseconds wait,
                  std::chrono::milliseconds meet = std::chrono::milliseconds(0))
        : file_(std::move(file)), wait_(wait), meet_(meet) {}

    uint64_t size() const override { return file_->size(); }
    uint64_t currentSize() override { return file_->currentSize(); }
    bool read(uint64_t offset, uint8_t* destination, size_t count) override {
        ++calls_;
        {
            std::unique_lock lock(mutex_);
            const int now = ++underWay_;
            mostAtOnce_ = std::max(mostAtOnce_, now);
            if (now > 1) met_.notify_all();
            if (std::find(readers_.begin(), readers_.end(), std::this_thread::get_id()) == readers_.end())
                readers_.push_back(std::this_thread::get_id());
            if (meet_.count() > 0 && mostAtOnce_ == 1 && readers_.size() > 1) {
                const auto start = std::chrono::steady_clock::now();
                met_.wait_for(lock, meet_, [&] { return mostAtOnce_ > 1; });
                meet_ -= std::min(meet_, std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::steady_clock::now() - start));
            }
        }
        std::this_thread::sleep_for(wait_);
        const bool read = file_->read(offset, destination, count);
        const std::lock_guard lock(mutex_);
        --underWay_;
        return read;
    }

    bool remote() const override { return true; }

    int calls() const { return calls_; }
    int mostAtOnce() const {
        const std::lock_guard lock(mutex_);
        return mostAtOnce_;
    }

private:
    std::unique_ptr<jet::ByteSource> file_;
    std::chrono::microseconds wait_;
    std::chrono::milliseconds meet_;  // left to wait for a second read; under mutex_
    std::atomic<int> calls_{0};
    mutable std::mutex mutex_;
    std::condition_variable met_;
    std::vector<std::thread::id> readers_;
    int underWay_ = 0;
    int mostAtOnce_ = 0;
};

}  // namespace scandrel::db::testing
