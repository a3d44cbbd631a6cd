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
    // CorruptFile for a page past the end of the file or one that can't be read. A page
    // past the end known so far, or a read that comes up short, makes the cache look
    // at the file's size again and try once more: the host may be adding pages.
    PagePtr page(uint32_t number);
    // The page as the file holds it now, not as it was kept (pages the host changes
    // as it works, such as the maps of the pages each table owns).
    PagePtr freshPage(uint32_t number);
    // Looks at the file's size again; the new page count.
    uint32_t refreshPageCount();
    // Lets go of every page kept (their holders keep theirs) and looks at the size
    // again: after the host has written, nothing read before is trusted.
    void startOver();

private:
    bool readPage(uint32_t number, uint8_t* destination);

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
