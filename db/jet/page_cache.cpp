#include "db/jet/page_cache.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace scandrel::db::jet {
namespace {

// Reading ahead: threads sending reads at once (the calling thread makes one more),
// the most pages kept read ahead, how far apart two pages may be and still come in
// one read (the pages between are read too, and dropped), and the most pages a read.
constexpr size_t kReaderThreads = 15;
constexpr size_t kMostFetched = 4096;
constexpr uint32_t kLargestGap = 2;
constexpr uint32_t kMostPagesARead = 16;
// A read of one page that takes this long (the median of the last few) is not
// served from the system's cache.
constexpr auto kWaitingRead = std::chrono::microseconds(100);
constexpr uint64_t kTimedReadEvery = 4;

uint32_t pagesIn(uint64_t bytes, uint32_t pageSize) {
    const uint64_t pages = bytes / pageSize;
    return pages > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                        : static_cast<uint32_t>(pages);
}

}  // namespace

PageCache::PageCache(std::unique_ptr<ByteSource> source, uint32_t pageSize, size_t capacity)
    : source_(std::move(source)), pageSize_(pageSize), pageCount_(pagesIn(source_->size(), pageSize)),
      slots_(capacity == 0 ? 1 : capacity) {
    where_.reserve(slots_.size() * 2);
}

PageCache::~PageCache() = default;

uint32_t PageCache::refreshPageCount() {
    pageCount_ = pagesIn(source_->currentSize(), pageSize_);
    return pageCount_;
}

void PageCache::startOver() {
    for (Slot& slot : slots_) {
        slot.page.reset();
        slot.used = false;
    }
    where_.clear();
    fetched_.clear();
    hand_ = 0;
    refreshPageCount();
}

PagePtr PageCache::freshPage(uint32_t number) {
    if (const auto found = where_.find(number); found != where_.end()) {
        Slot& slot = slots_[found->second];
        slot.page.reset();
        slot.used = false;
        where_.erase(found);
    }
    fetched_.erase(number);
    return page(number);
}

void PageCache::noteReadTime(std::chrono::steady_clock::duration taken) {
    readTimes_[readTimesSeen_++ % readTimes_.size()] = taken;
    // Looked at once the times of a whole new set of reads are in.
    if (alwaysReadAhead_ || readTimesSeen_ % readTimes_.size() != 0) return;
    auto times = readTimes_;
    auto middle = times.begin() + static_cast<std::ptrdiff_t>(times.size() / 2);
    std::nth_element(times.begin(), middle, times.end());
    readsWait_ = *middle >= kWaitingRead;
}

bool PageCache::readPage(uint32_t number, uint8_t* destination) {
    const uint64_t at = static_cast<uint64_t>(number) * pageSize_;
    if (number < pageCount_) {
        // The first reads are timed, then one in a few: enough to see reads start to wait.
        const bool timed = readTimesSeen_ < readTimes_.size() || readCalls_ % kTimedReadEvery == 0;
        ++readCalls_;
        const auto start = timed ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point();
        const bool read = source_->read(at, destination, pageSize_);
        if (timed) noteReadTime(std::chrono::steady_clock::now() - start);
        if (read) return true;
    }
    ++readCalls_;
    // Past the end known so far, or cut short while we read: the file may have grown
    // or shrunk since its size was taken.
    return number < refreshPageCount() && source_->read(at, destination, pageSize_);
}

PagePtr PageCache::peek(uint32_t number) const {
    if (const auto found = where_.find(number); found != where_.end()) return slots_[found->second].page;
    if (const auto found = fetched_.find(number); found != fetched_.end()) return found->second;
    return nullptr;
}

void PageCache::fetch(std::vector<uint32_t> numbers) {
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    std::erase_if(numbers, [&](uint32_t n) { return n >= pageCount_ || where_.count(n) != 0 || fetched_.count(n) != 0; });
    if (numbers.empty()) return;
    if (numbers.size() > kMostFetched) numbers.resize(kMostFetched);
    // Pages read ahead before and never asked for make room for these.
    if (fetched_.size() + numbers.size() > kMostFetched) fetched_.clear();

    struct Run {
        uint32_t first;
        uint32_t count;
        std::vector<uint8_t> bytes;
    };
    std::vector<Run> runs;
    for (const uint32_t n : numbers) {
        if (!runs.empty()) {
            Run& last = runs.back();
            const uint32_t end = last.first + last.count;
            if (n - end <= kLargestGap && n + 1 - last.first <= kMostPagesARead) {
                last.count = n + 1 - last.first;
                continue;
            }
        }
        runs.push_back(Run{n, 1, {}});
    }
    std::vector<ReadJob> jobs;
    jobs.reserve(runs.size());
    for (Run& run : runs) {
        run.bytes.resize(static_cast<size_t>(run.count) * pageSize_);
        jobs.push_back(ReadJob{static_cast<uint64_t>(run.first) * pageSize_, run.bytes.data(), run.bytes.size()});
    }
    if (!readers_) readers_ = std::make_unique<ParallelReads>(kReaderThreads);
    readers_->run(*source_, jobs);
    readCalls_ += jobs.size();

    size_t wanted = 0;
    for (size_t r = 0; r < runs.size(); ++r) {
        if (!jobs[r].done) continue;
        const Run& run = runs[r];
        while (wanted < numbers.size() && numbers[wanted] < run.first) ++wanted;
        for (; wanted < numbers.size() && numbers[wanted] < run.first + run.count; ++wanted) {
            const uint8_t* from = run.bytes.data() + static_cast<size_t>(numbers[wanted] - run.first) * pageSize_;
            // Made modifiable, as every page here: a slot may read over it once it is let go.
            fetched_[numbers[wanted]] = std::make_shared<Page>(from, from + pageSize_);
        }
    }
}

PagePtr PageCache::page(uint32_t number) {
    if (auto found = where_.find(number); found != where_.end()) {
        Slot& slot = slots_[found->second];
        slot.used = true;
        return slot.page;
    }
    PagePtr fetched;
    if (!fetched_.empty()) {
        if (auto found = fetched_.find(number); found != fetched_.end()) {
            fetched = std::move(found->second);
            fetched_.erase(found);
        }
    }

    // Second-chance replacement: pass over recently used slots once.
    while (slots_[hand_].page && slots_[hand_].used) {
        slots_[hand_].used = false;
        hand_ = (hand_ + 1) % slots_.size();
    }
    Slot& slot = slots_[hand_];
    if (slot.page) where_.erase(slot.number);
    if (fetched) {
        slot.page = std::move(fetched);
    } else {
        // The page let go is read over when no one holds it any more: it was made
        // here as a modifiable page, and only handed out as a constant one.
        std::shared_ptr<Page> buffer;
        if (slot.page && slot.page.use_count() == 1) buffer = std::const_pointer_cast<Page>(std::move(slot.page));
        slot.page.reset();
        if (!buffer) buffer = std::make_shared<Page>(pageSize_);
        // A failed read leaves the slot empty.
        if (!readPage(number, buffer->data())) corrupt();
        slot.page = std::move(buffer);
    }
    slot.number = number;
    slot.used = true;
    where_[number] = hand_;
    hand_ = (hand_ + 1) % slots_.size();
    return slot.page;
}

}  // namespace scandrel::db::jet
