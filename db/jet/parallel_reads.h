#pragma once
// Reads in flight at once: where every read waits (a file on a server's shared
// folder), many reads are sent together and waited for together. The threads that
// send them are made on first use and end when the pool does; none runs between two
// batches but to wait for the next one.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "db/jet/byte_source.h"

namespace scandrel::db::jet {

struct ReadJob {
    uint64_t offset = 0;
    uint8_t* destination = nullptr;
    size_t count = 0;
    bool done = false;  // all `count` bytes were read
};

class ParallelReads {
public:
    explicit ParallelReads(size_t threads);
    ~ParallelReads();
    ParallelReads(const ParallelReads&) = delete;
    ParallelReads& operator=(const ParallelReads&) = delete;

    // Runs every job, the calling thread among the readers; returns when all are over.
    // `source` must allow reads from several threads at once. A read that throws, in
    // any thread, ends the batch: the jobs not started are left undone, and once the
    // reads under way are over its exception is thrown here; the next batch runs as
    // any other.
    void run(ByteSource& source, std::vector<ReadJob>& jobs);

private:
    void work();
    // Takes the next job of the batch and reads it; false when none is left.
    bool readOne(std::unique_lock<std::mutex>& lock);

    const size_t threadCount_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    ByteSource* source_ = nullptr;
    std::vector<ReadJob>* jobs_ = nullptr;
    size_t next_ = 0;
    size_t busy_ = 0;
    bool stopping_ = false;
    std::exception_ptr failure_;  // the batch's first, thrown by run()
};

}  // namespace scandrel::db::jet
