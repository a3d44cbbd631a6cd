#pragma once
// Pages read on demand and kept in a small, bounded cache. A page handed out stays
// valid for as long as its holder keeps it, even after the cache has let it go.
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "db/jet/byte_source.h"
#include "db/jet/bytes.h"

namespace scandrel::db::jet {

using Page = std::vector<uint8_t>;
using PagePtr = std::shared_ptr<const Page>;

class PageCache {
public:
    PageCache(std::unique_ptr<ByteSource> source, uint32_t pageSize, size_t capacity);

    uint32_t pageSize() const { return pageSize_; }
    uint32_t pageCount() const { return pageCount_; }
    // CorruptFile for a page past the end of the file or one that can't be read.
    PagePtr page(uint32_t number);

private:
    struct Slot {
        uint32_t number = 0;
        bool used = false;
        PagePtr page;
    };

    std::unique_ptr<ByteSource> source_;
    uint32_t pageSize_;
    uint32_t pageCount_;
    std::vector<Slot> slots_;
    std::unordered_map<uint32_t, size_t> where_;
    size_t hand_ = 0;
};

}  // namespace scandrel::db::jet
