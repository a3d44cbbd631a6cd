#include "db/jet/page_cache.h"

#include <limits>

namespace scandrel::db::jet {

PageCache::PageCache(std::unique_ptr<ByteSource> source, uint32_t pageSize, size_t capacity)
    : source_(std::move(source)), pageSize_(pageSize), slots_(capacity == 0 ? 1 : capacity) {
    const uint64_t pages = source_->size() / pageSize_;
    pageCount_ = pages > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                              : static_cast<uint32_t>(pages);
    where_.reserve(slots_.size() * 2);
}

PagePtr PageCache::page(uint32_t number) {
    if (number >= pageCount_) corrupt();
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
    if (!source_->read(static_cast<uint64_t>(number) * pageSize_, buffer->data(), pageSize_)) corrupt();

    slot.number = number;
    slot.page = std::move(buffer);
    slot.used = true;
    where_[number] = hand_;
    hand_ = (hand_ + 1) % slots_.size();
    return slot.page;
}

}  // namespace scandrel::db::jet
