#include "db/jet/copied_source.h"

#include <algorithm>
#include <system_error>

namespace scandrel::db::jet {
namespace {

// Two copies under way at once: the round trip of one is hidden behind the bytes of
// the other.
constexpr size_t kCopiers = 2;

}  // namespace

CopiedSource::CopiedSource(std::unique_ptr<ByteSource> file, std::unique_ptr<ScratchFile> scratch)
    : file_(std::move(file)), scratch_(std::move(scratch)) {
    resize(file_->size());
}

CopiedSource::~CopiedSource() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& copier : copiers_) copier.join();
}

void CopiedSource::forget(size_t chunk) {
    chunks_[chunk] = Chunk::Missing;
    ++generation_[chunk];
}

void CopiedSource::resize(uint64_t size) {
    const auto chunksOf = [](uint64_t bytes) { return static_cast<size_t>((bytes + kChunkBytes - 1) / kChunkBytes); };
    // The chunk the old end fell in holds bytes it didn't have then (4).
    if (bytes_ % kChunkBytes != 0 && chunksOf(bytes_) <= chunks_.size()) forget(chunksOf(bytes_) - 1);
    bytes_ = size;
    chunks_.resize(chunksOf(size), Chunk::Missing);
    generation_.resize(chunks_.size(), 0);
    next_ = 0;
    changed_.notify_all();
}

uint64_t CopiedSource::currentSize() {
    // The file's size is never looked at while it is read: the copy waits meanwhile.
    std::unique_lock lock(mutex_);
    paused_ = true;
    changed_.wait(lock, [&] { return underWay_ == 0; });
    lock.unlock();
    uint64_t now = 0;
    try {
        now = file_->currentSize();
    } catch (...) {
        lock.lock();
        paused_ = false;
        changed_.notify_all();
        throw;
    }
    lock.lock();
    paused_ = false;
    if (now != bytes_) resize(now);
    changed_.notify_all();
    return now;
}

void CopiedSource::startOver() {
    const std::lock_guard lock(mutex_);
    for (size_t chunk = 0; chunk < chunks_.size(); ++chunk) forget(chunk);
    next_ = 0;
    changed_.notify_all();
}


void CopiedSource::fetch(size_t chunk, std::unique_lock<std::mutex>& lock) {
    chunks_[chunk] = Chunk::Coming;
    const uint32_t generation = generation_[chunk];
    const uint64_t at = uint64_t{chunk} * kChunkBytes;
    const size_t count = static_cast<size_t>(std::min<uint64_t>(kChunkBytes, bytes_ - at));
    ++underWay_;
    lock.unlock();
    std::vector<uint8_t> bytes(count);
    bool read = false;
    try {
        read = file_->read(at, bytes.data(), count);
    } catch (const std::exception&) {
        // Left to the file's own read, which reports it (3).
    }
    lock.lock();
    --underWay_;
    // Forgotten while it came (the host wrote, or the file was cut): dropped. Written
    // under the lock, so that a chunk fetched again is never overwritten by this one.
    if (chunk < chunks_.size() && generation_[chunk] == generation) {
        chunks_[chunk] = read && scratch_->write(at, bytes.data(), count) ? Chunk::Copied : Chunk::Failed;
    }
    changed_.notify_all();
}

void CopiedSource::copy() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        while (next_ < chunks_.size() && chunks_[next_] != Chunk::Missing) ++next_;
        if (paused_ || next_ >= chunks_.size()) {
            changed_.wait(lock);  // until the host writes, or the end
            continue;
        }
        fetch(next_, lock);
    }
}

bool CopiedSource::bring(uint64_t offset, size_t count, std::unique_lock<std::mutex>& lock) {
    if (count == 0 || offset >= bytes_ || count > bytes_ - offset) return false;
    const size_t first = static_cast<size_t>(offset / kChunkBytes);
    const size_t last = static_cast<size_t>((offset + count - 1) / kChunkBytes);
    for (size_t chunk = first; chunk <= last; ++chunk) {
        for (;;) {
            if (chunk >= chunks_.size()) return false;
            const Chunk state = chunks_[chunk];
            if (state == Chunk::Copied) break;
            if (state == Chunk::Failed) return false;
            if (state == Chunk::Missing)
                fetch(chunk, lock);
            else
                changed_.wait(lock);
        }
    }
    return true;
}

bool CopiedSource::read(uint64_t offset, uint8_t* destination, size_t count) {
    {
        std::unique_lock lock(mutex_);
        if (!started_) {
            started_ = true;
            try {
                while (copiers_.size() < kCopiers) copiers_.emplace_back([this] { copy(); });
            } catch (const std::system_error&) {
                // No thread to be had: the reads fetch their chunks themselves.
            }
        }
        // The lock is let go before the scratch file is read: the chunks copied stay
        // so until the engine starts over, which it never does while it reads.
        if (bring(offset, count, lock)) {
            lock.unlock();
            if (scratch_->read(offset, destination, count)) return true;
        }
    }
    return file_->read(offset, destination, count);
}

std::unique_ptr<ByteSource> copiedFromNetwork(std::unique_ptr<ByteSource> source,
                                              const std::filesystem::path& scratchFolder) {
    if (!source->remote() || source->size() == 0) return source;
    std::unique_ptr<ScratchFile> scratch = makeScratchFile(scratchFolder);
    if (!scratch) return source;
    return std::make_unique<CopiedSource>(std::move(source), std::move(scratch));
}

}  // namespace scandrel::db::jet
