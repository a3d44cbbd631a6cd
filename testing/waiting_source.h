#pragma once
// A database file read as over a network: every read waits before it is served,
// and the file says it is remote.
// Counts the reads and the most that were ever under way at once.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "db/jet/byte_source.h"

namespace scandrel::db::testing {

class WaitingSource final : public jet::ByteSource {
public:
    WaitingSource(std::unique_ptr<jet::ByteSource> file, std::chrono::microseconds wait)
        : file_(std::move(file)), wait_(wait) {}

    uint64_t size() const override { return file_->size(); }
    uint64_t currentSize() override { return file_->currentSize(); }
    bool read(uint64_t offset, uint8_t* destination, size_t count) override {
        ++calls_;
        const int now = ++underWay_;
        int most = mostAtOnce_.load();
        while (now > most && !mostAtOnce_.compare_exchange_weak(most, now)) {
        }
        std::this_thread::sleep_for(wait_);
        const bool read = file_->read(offset, destination, count);
        --underWay_;
        return read;
    }

    bool remote() const override { return true; }

    int calls() const { return calls_; }
    int mostAtOnce() const { return mostAtOnce_; }

private:
    std::unique_ptr<jet::ByteSource> file_;
    std::chrono::microseconds wait_;
    std::atomic<int> calls_{0};
    std::atomic<int> underWay_{0};
    std::atomic<int> mostAtOnce_{0};
};

}  // namespace scandrel::db::testing
