#include "db/jet/page_cache.h"

#include <limits>

namespace scandrel::db::jet {
namespace {

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
    return page(number);
}

bool PageCache::readPage(uint32_t number, uint8_t* destination) {
    const uint64_t at = static_cast<uint64_t>(number) * pageSize_;
    if (number < pageCount_ && source_->read(at, destination, pageSize_)) return true;
    // Past the end known so far, or cut short while we read: the file may have grown
    // or shrunk since its size was taken.
    return number < refreshPageCount() && source_->read(at, destination, pageSize_);
}

PagePtr PageCache::page(uint32_t number) {
    if (auto found = where_.find(number); found != where_.end()) {
        Slot& slot = slots_[found->second];
        slot.used = true;
        return slot.page;
    }

    // Second-chance replacement: pass over recently used slots once.
    while (slots_[hand_].page && slots_[hand_].used) {
        slots_[hand_].used = false;
        hand_ = (hand_ + 1) % slots_.size();
    }
    Slot& slot = slots_[hand_];
    std::shared_ptr<Page> buffer;
    if (slot.page) {
        where_.erase(slot.number);
        // The page let go is read over when no one holds it any more: it was made
        // here as a modifiable page, and only handed out as a constant one.
        if (slot.page.use_count() == 1) buffer = std::const_pointer_cast<Page>(std::move(slot.page));
        slot.page.reset();
    }
    if (!buffer) buffer = std::make_shared<Page>(pageSize_);
    // A failed read leaves the slot empty.
    if (!readPage(number, buffer->data())) corrupt();

    slot.number = number;
    slot.page = std::move(buffer);
    slot.used = true;
    where_[number] = hand_;
    hand_ = (hand_ + 1) % slots_.size();
    return slot.page;
}

}  // namespace scandrel::db::jet
