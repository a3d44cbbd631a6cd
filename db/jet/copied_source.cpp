#include "db/jet/copied_source.h"

#include <algorithm>
#include <system_error>

namespace scandrel::db::jet {
namespace {

// The copy's threads: enough reads of a page asked for ahead under way at once to
// fill a fast link despite the round trips (eight pages in 0.2 ms is 160 MB/s); of
// them at most two copy in file order, the round trip of one hidden behind the
// bytes of the other.
constexpr size_t kCopiers = 8;
constexpr size_t kInOrder = 2;
// The most runs asked for ahead and not fetched yet: those asked for long ago are
// dropped first (their reads, if they still come, fetch them).
constexpr size_t kMostWanted = 4096;

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
    work_.notify_all();
    for (std::thread& copier : copiers_) copier.join();
}

void CopiedSource::forget(size_t unit) {
    if (units_[unit] == Unit::Copied || units_[unit] == Unit::Failed) --settled_;
    units_[unit] = Unit::Missing;
    ++generation_[unit];
    complete_ = false;
}

void CopiedSource::resize(uint64_t size) {
    const auto unitsOf = [](uint64_t bytes) { return static_cast<size_t>((bytes + kUnitBytes - 1) / kUnitBytes); };
    // The unit the old end fell in holds bytes it didn't have then (5).
    if (bytes_ % kUnitBytes != 0 && unitsOf(bytes_) <= units_.size()) forget(unitsOf(bytes_) - 1);
    bytes_ = size;
    for (size_t unit = unitsOf(size); unit < units_.size(); ++unit) forget(unit);
    units_.resize(unitsOf(size), Unit::Missing);
    complete_ = settled_ == units_.size();
    generation_.resize(units_.size(), 0);
    next_ = 0;
    work_.notify_all();
    arrived_.notify_all();
}

uint64_t CopiedSource::currentSize() {
    // The file's size is never looked at while it is read: the fetches wait meanwhile.
    std::unique_lock lock(mutex_);
    paused_ = true;
    arrived_.wait(lock, [&] { return underWay_ == 0; });
    lock.unlock();
    uint64_t now = 0;
    try {
        now = file_->currentSize();
    } catch (...) {
        lock.lock();
        paused_ = false;
        work_.notify_all();
        throw;
    }
    lock.lock();
    paused_ = false;
    if (now != bytes_) resize(now);
    work_.notify_all();
    return now;
}

void CopiedSource::startOver() {
    const std::lock_guard lock(mutex_);
    for (size_t unit = 0; unit < units_.size(); ++unit) forget(unit);
    next_ = 0;
    work_.notify_all();
    arrived_.notify_all();
}

void CopiedSource::fetch(size_t first, size_t count, bool urgent, std::unique_lock<std::mutex>& lock) {
    std::vector<uint32_t> generations(generation_.begin() + static_cast<std::ptrdiff_t>(first),
                                      generation_.begin() + static_cast<std::ptrdiff_t>(first + count));
    const uint64_t at = uint64_t{first} * kUnitBytes;
    const size_t length = static_cast<size_t>(std::min<uint64_t>(uint64_t{count} * kUnitBytes, bytes_ - at));
    ++underWay_;
    if (urgent) ++urgent_;
    lock.unlock();
    std::vector<uint8_t> bytes(length);
    bool read = false;
    try {
        read = file_->read(at, bytes.data(), length);
    } catch (const std::exception&) {
        // Left to the file's own read, which reports it (4).
    }
    lock.lock();
    --underWay_;
    if (urgent) --urgent_;
    // Units forgotten while they came (the host wrote, or the file was cut) are
    // dropped. Written under the lock, so that a unit fetched again is never
    // overwritten by this fetch.
    for (size_t i = 0; i < count;) {
        const auto current = [&](size_t k) {
            return first + k < units_.size() && generation_[first + k] == generations[k];
        };
        if (!current(i)) {
            ++i;
            continue;
        }
        size_t end = i + 1;
        while (end < count && current(end)) ++end;
        const size_t from = i * kUnitBytes;
        const size_t upTo = std::min(end * kUnitBytes, length);
        const bool kept = read && scratch_->write(at + from, bytes.data() + from, upTo - from);
        settled_ += end - i;
        for (; i < end; ++i) units_[first + i] = kept ? Unit::Copied : Unit::Failed;
    }
    complete_ = settled_ == units_.size();
    if (waiting_ > 0 || paused_) arrived_.notify_all();
    // The copy in file order goes on once nothing the search waits for is under way.
    if (urgent_ == 0 && wanted_.empty()) work_.notify_one();
}

void CopiedSource::copy() {
    constexpr size_t kRunUnits = kChunkBytes / kUnitBytes;
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (paused_) {
            work_.wait(lock);
            continue;
        }
        // What the search asked for ahead, first (3): each run of it still missing.
        if (!wanted_.empty()) {
            const auto [first, count] = wanted_.front();
            wanted_.pop_front();
            for (size_t unit = first; unit < first + count && unit < units_.size(); ++unit) {
                if (units_[unit] != Unit::Missing) continue;
                size_t end = unit;
                while (end < first + count && end < units_.size() && units_[end] == Unit::Missing)
                    units_[end++] = Unit::Coming;
                // The rest of what was asked for stays first in line.
                if (end < first + count) wanted_.emplace_front(end, first + count - end);
                fetch(unit, end - unit, true, lock);
                break;
            }
            continue;
        }
        while (next_ < units_.size() && units_[next_] != Unit::Missing) ++next_;
        // Waits for the readers, the size, the host's writes, or the end.
        if (urgent_ > 0 || inOrder_ >= kInOrder || next_ >= units_.size()) {
            work_.wait(lock);
            continue;
        }
        size_t count = 0;
        while (count < kRunUnits && next_ + count < units_.size() && units_[next_ + count] == Unit::Missing)
            units_[next_ + count++] = Unit::Coming;
        // Two in file order: the other one joins in.
        if (++inOrder_ < kInOrder) work_.notify_one();
        fetch(next_, count, false, lock);
        --inOrder_;
    }
}

void CopiedSource::startCopy() {
    if (started_) return;
    started_ = true;
    try {
        while (copiers_.size() < kCopiers) copiers_.emplace_back([this] { copy(); });
    } catch (const std::system_error&) {
        // No thread to be had: the reads fetch their units themselves.
    }
}

ByteSource::Ahead CopiedSource::ahead(uint64_t offset, size_t count) {
    const std::lock_guard lock(mutex_);
    if (count == 0 || offset >= bytes_ || count > bytes_ - offset) return Ahead::Wait;
    const size_t first = static_cast<size_t>(offset / kUnitBytes);
    const size_t end = static_cast<size_t>((offset + count - 1) / kUnitBytes) + 1;
    bool atHand = true;
    for (size_t unit = first; unit < end; ++unit) {
        if (units_[unit] == Unit::Failed) return Ahead::Wait;
        atHand = atHand && units_[unit] == Unit::Copied;
    }
    if (atHand) return Ahead::AtHand;
    startCopy();
    if (copiers_.empty()) return Ahead::Wait;
    if (wanted_.size() >= kMostWanted) wanted_.pop_front();
    wanted_.emplace_back(first, end - first);
    work_.notify_one();
    return Ahead::Coming;
}

bool CopiedSource::bring(uint64_t offset, size_t count, std::unique_lock<std::mutex>& lock) {
    if (count == 0 || offset >= bytes_ || count > bytes_ - offset) return false;
    const size_t first = static_cast<size_t>(offset / kUnitBytes);
    const size_t last = static_cast<size_t>((offset + count - 1) / kUnitBytes);
    for (;;) {
        if (last >= units_.size()) return false;
        bool coming = false;
        bool fetched = false;
        for (size_t unit = first; unit <= last && !fetched; ++unit) {
            const Unit state = units_[unit];
            if (state == Unit::Failed) return false;
            if (state == Unit::Coming) coming = true;
            if (state != Unit::Missing) continue;
            // The run of missing units from here, in one read; then the read's units
            // are looked at again, since the lock was let go.
            size_t end = unit;
            while (end <= last && units_[end] == Unit::Missing) units_[end++] = Unit::Coming;
            fetch(unit, end - unit, true, lock);
            fetched = true;
        }
        if (fetched) continue;
        if (!coming) return true;
        ++waiting_;
        arrived_.wait(lock);
        --waiting_;
    }
}

bool CopiedSource::read(uint64_t offset, uint8_t* destination, size_t count) {
    {
        std::unique_lock lock(mutex_);
        startCopy();
        // The lock is let go before the scratch file is read: the units copied stay
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
