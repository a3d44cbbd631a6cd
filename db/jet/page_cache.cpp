#include "db/jet/page_cache.h"

#include <algorithm>
#include <cassert>
#include <limits>
#include <system_error>

namespace scandrel::db::jet {
namespace {

// A file that fits is read a block at a time: this many pages, the block aligned on
// a multiple of it.
constexpr uint32_t kBlockPages = 64;
// Planned reads: how far apart two pages may be and still come in one read (the
// pages between are read too, and dropped), the most pages a read, the most pages
// kept read ahead, and over a network the threads sending reads at once (the
// calling thread makes one more).
constexpr uint32_t kLargestGap = 2;
constexpr uint32_t kMostPagesARead = 64;
constexpr size_t kMostFetched = 4096;
constexpr size_t kReaderThreads = 15;

uint32_t pagesIn(uint64_t bytes, uint32_t pageSize) {
    const uint64_t pages = bytes / pageSize;
    return pages > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                        : static_cast<uint32_t>(pages);
}

}  // namespace

PageCache::PageCache(std::unique_ptr<ByteSource> source, uint32_t pageSize, size_t capacity,
                     std::shared_ptr<PageBudget> budget)
    : source_(std::move(source)), pageSize_(pageSize), pageCount_(pagesIn(source_->size(), pageSize)),
      capacity_(capacity == 0 ? 1 : capacity),
      budget_(budget ? std::move(budget) : std::make_shared<PageBudget>(capacity_ * pageSize)) {}

PageCache::~PageCache() {
    if (alongsideReader_.joinable()) alongsideReader_.join();
    budget_->giveBack(held_ * pageSize_);
}

bool PageCache::roomLeft() const {
    return (!free_.empty() || touched_ < capacity_) && (held_ == 0 || budget_->left(pageSize_));
}

bool PageCache::takeRoom() {
    if (free_.empty() && touched_ >= capacity_) return false;
    if (held_ == 0)
        budget_->takeAnyway(pageSize_);
    else if (!budget_->take(pageSize_))
        return false;
    ++held_;
    return true;
}

size_t PageCache::victim() {
    // Some slot holds a page, or the hand would go round for ever.
    assert(held_ > 0 && !slots_.empty());
    for (;;) {
        const size_t slot = hand_;
        hand_ = (hand_ + 1) % slots_.size();
        // Slots without a page (let go, or past those made since the last start) are no
        // one's to let go; a slot used lately is passed over this once.
        if (slots_[slot].page && !slots_[slot].used) return slot;
        slots_[slot].used = false;
    }
}

void PageCache::unmap(size_t slot) {
    assert(slots_[slot].page && where_[slots_[slot].number] == slot + 1);
    where_[slots_[slot].number] = 0;
    slots_[slot].page.reset();
    slots_[slot].used = false;
}

void PageCache::checkCounts() const {
    // Every slot made since the last start either holds a page or is free.
    assert(held_ + free_.size() == touched_);
    assert(touched_ <= slots_.size() && slots_.size() <= capacity_);
    assert(fetched_.size() <= kMostFetched);
    assert(hand_ == 0 || hand_ < slots_.size());
}

uint32_t PageCache::refreshPageCount() {
    takeAlongside();  // no read under way while the size is looked at
    const uint32_t before = pageCount_;
    pageCount_ = pagesIn(source_->currentSize(), pageSize_);
    if (pageCount_ != before) forgetAll();
    return pageCount_;
}

void PageCache::forgetAll() {
    if (alongsideReader_.joinable()) alongsideReader_.join();
    alongside_ = {};
    // Only the slots that have held a page: a large budget makes many more.
    for (size_t slot = 0; slot < touched_; ++slot)
        if (slots_[slot].page) unmap(slot);
    budget_->giveBack(held_ * pageSize_);
    held_ = 0;
    touched_ = 0;
    free_.clear();
    fetched_.clear();
    passing_ = {};
    hand_ = 0;
    checkCounts();
}

void PageCache::startOver() {
    forgetAll();
    source_->startOver();
    refreshPageCount();
}

void PageCache::forget(size_t slot) {
    unmap(slot);
    free_.push_back(slot);
    --held_;
    budget_->giveBack(pageSize_);
}

PagePtr PageCache::freshPage(uint32_t number) {
    takeAlongside();  // its copy of the page, if it read one, is not the fresh one
    if (const size_t slot = slotOf(number); slot != kNoSlot) forget(slot);
    fetched_.erase(number);
    std::shared_ptr<Page> buffer = spareBuffer();
    if (!readPage(number, buffer->data())) corrupt();
    keep(number, buffer);
    return buffer;
}

std::shared_ptr<Page> PageCache::spareBuffer() {
    if (roomLeft()) return std::make_shared<Page>(pageSize_);
    // Full: the page let go next makes room, and is read over when no one holds it
    // any more (every page is made here modifiable, and only handed out as constant).
    const size_t slot = victim();
    PagePtr old = slots_[slot].page;
    forget(slot);
    if (old.use_count() == 1) return std::const_pointer_cast<Page>(std::move(old));
    return std::make_shared<Page>(pageSize_);
}

void PageCache::keep(uint32_t number, PagePtr page) {
    size_t slot = 0;
    if (!takeRoom()) {
        slot = victim();
        unmap(slot);
    } else if (!free_.empty()) {
        slot = free_.back();
        free_.pop_back();
    } else {
        if (touched_ == slots_.size()) slots_.emplace_back();
        slot = touched_++;
    }
    slots_[slot] = Slot{number, true, std::move(page)};
    if (number >= where_.size()) where_.resize(std::max<size_t>(number + 1, pageCount_), 0);
    where_[number] = static_cast<uint32_t>(slot + 1);
    checkCounts();
}

bool PageCache::readPage(uint32_t number, uint8_t* destination) {
    const uint64_t at = static_cast<uint64_t>(number) * pageSize_;
    if (number < pageCount_ && source_->read(at, destination, pageSize_)) return true;
    // Past the end known so far, or cut short while we read: the file may have grown
    // or shrunk since its size was taken.
    return number < refreshPageCount() && source_->read(at, destination, pageSize_);
}

bool PageCache::readBlock(uint32_t first, uint32_t count) {
    const size_t size = static_cast<size_t>(count) * pageSize_;
    // One piece of memory, zeroed first: under Wine a read into memory never written
    // faults each page twice.
    const std::shared_ptr<uint8_t[]> block = std::make_shared<uint8_t[]>(size);
    if (!source_->read(static_cast<uint64_t>(first) * pageSize_, block.get(), size)) return false;
    const bool shared = budget_->left(size);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t number = first + i;
        if (kept(number)) continue;  // kept already: its holders may have it
        const size_t offset = static_cast<size_t>(i) * pageSize_;
        fetched_.erase(number);
        keep(number, shared ? std::make_shared<Page>(block, offset, pageSize_)
                            : std::make_shared<Page>(block.get() + offset, pageSize_));
    }
    return true;
}

PagePtr PageCache::readIn(uint32_t number) {
    if (fileFits() && number < pageCount_) {
        // The page's block, less the pages at either end that are kept already.
        uint32_t first = number - number % kBlockPages;
        uint32_t end = std::min(first + kBlockPages, pageCount_);
        while (first < number && kept(first)) ++first;
        while (end - 1 > number && kept(end - 1)) --end;
        if (readBlock(first, end - first)) {
            if (const size_t slot = slotOf(number); slot != kNoSlot) return slots_[slot].page;
        }
    }
    return freshPage(number);
}

PagePtr PageCache::peek(uint32_t number) const {
    if (const size_t slot = slotOf(number); slot != kNoSlot) return slots_[slot].page;
    if (const auto found = fetched_.find(number); found != fetched_.end()) return found->second;
    return nullptr;
}

PageCache::Batch PageCache::plan(std::vector<uint32_t> numbers) const {
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    std::erase_if(numbers, [&](uint32_t n) { return n >= pageCount_ || kept(n) || fetched_.count(n) != 0; });
    if (numbers.size() > kMostFetched) numbers.resize(kMostFetched);
    Batch batch;
    for (const uint32_t n : numbers) {
        if (!batch.runs.empty()) {
            Batch::Run& last = batch.runs.back();
            const uint32_t end = last.first + last.count;
            if (n - end <= kLargestGap && n + 1 - last.first <= kMostPagesARead) {
                last.count = n + 1 - last.first;
                continue;
            }
        }
        batch.runs.push_back(Batch::Run{n, 1, {}});
    }
    batch.jobs.reserve(batch.runs.size());
    for (Batch::Run& run : batch.runs) {
        run.bytes.resize(static_cast<size_t>(run.count) * pageSize_);
        batch.jobs.push_back(ReadJob{static_cast<uint64_t>(run.first) * pageSize_, run.bytes.data(), run.bytes.size()});
    }
    batch.numbers = std::move(numbers);
    return batch;
}

void PageCache::readBatch(ByteSource& source, Batch& batch, ParallelReads* readers) {
    try {
        if (readers != nullptr && batch.jobs.size() > 1) {
            // Over a network each read waits: they are sent together and waited for together.
            readers->run(source, batch.jobs);
        } else {
            for (ReadJob& job : batch.jobs) job.done = source.read(job.offset, job.destination, job.count);
        }
    } catch (const std::exception&) {
        // A read that failed outright: the pages it left undone are read, and the
        // failure reported, when they are asked for.
    }
}

void PageCache::takeFetched(Batch& batch) {
    // Pages read ahead before and never asked for make room for these.
    if (fetched_.size() + batch.numbers.size() > kMostFetched) fetched_.clear();
    const std::vector<uint32_t>& numbers = batch.numbers;
    size_t wanted = 0;
    for (size_t r = 0; r < batch.runs.size(); ++r) {
        if (!batch.jobs[r].done) continue;
        const Batch::Run& run = batch.runs[r];
        while (wanted < numbers.size() && numbers[wanted] < run.first) ++wanted;
        for (; wanted < numbers.size() && numbers[wanted] < run.first + run.count; ++wanted) {
            const uint32_t number = numbers[wanted];
            // A page read meanwhile is kept already: its holders may have it.
            if (number >= pageCount_ || kept(number)) continue;
            const uint8_t* from = run.bytes.data() + static_cast<size_t>(number - run.first) * pageSize_;
            fetched_[number] = std::make_shared<Page>(from, pageSize_);
        }
    }
    batch = {};
    checkCounts();
}

void PageCache::fetch(std::vector<uint32_t> numbers) {
    takeAlongside();
    Batch batch = plan(std::move(numbers));
    if (batch.numbers.empty()) return;
    ParallelReads* readers = nullptr;
    if (source_->remote() && batch.jobs.size() > 1) {
        if (!readers_) readers_ = std::make_unique<ParallelReads>(kReaderThreads);
        readers = readers_.get();
    }
    readBatch(*source_, batch, readers);
    takeFetched(batch);
}

void PageCache::fetchAlongside(std::vector<uint32_t> numbers) {
    if (!source_->readsAlongside()) return;  // read when fetched or asked for
    takeAlongside();
    alongside_ = plan(std::move(numbers));
    if (alongside_.numbers.empty()) return;
    try {
        alongsideReader_ = std::thread([this] { readBatch(*source_, alongside_, nullptr); });
    } catch (const std::system_error&) {
        alongside_ = {};  // no thread to be had: the pages are read when asked for
    }
}

void PageCache::takeAlongside() {
    if (!alongsideReader_.joinable()) return;
    alongsideReader_.join();
    takeFetched(alongside_);
}

PagePtr PageCache::passingPage(uint32_t number) {
    if (fileFits() || kept(number)) return page(number);
    takeAlongside();
    if (!fetched_.empty()) {
        if (auto found = fetched_.find(number); found != fetched_.end()) {
            PagePtr fetched = std::move(found->second);
            fetched_.erase(found);
            return fetched;
        }
    }
    for (const Passing& passing : passing_)
        if (passing.page && passing.number == number) return passing.page;
    // The buffer is held here while it is read into: a read that looks at the size
    // again may let go of every page passed on.
    const size_t at = passingNext_;
    passingNext_ = (passingNext_ + 1) % kPassingPages;
    std::shared_ptr<Page> buffer = std::move(passing_[at].page);
    if (buffer.use_count() != 1) buffer = std::make_shared<Page>(pageSize_);
    if (!readPage(number, buffer->data())) corrupt();
    passing_[at] = Passing{number, buffer};
    return buffer;
}

PagePtr PageCache::page(uint32_t number) {
    if (const size_t kept = slotOf(number); kept != kNoSlot) {
        Slot& slot = slots_[kept];
        slot.used = true;
        return slot.page;
    }
    takeAlongside();
    if (!fetched_.empty()) {
        if (auto found = fetched_.find(number); found != fetched_.end()) {
            PagePtr fetched = std::move(found->second);
            fetched_.erase(found);
            keep(number, fetched);
            return fetched;
        }
    }
    return readIn(number);
}

}  // namespace scandrel::db::jet
