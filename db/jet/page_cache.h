#pragma once
// Pages read on demand and kept in a small, bounded cache. A page handed out stays
// valid for as long as its holder keeps it, even after the cache has let it go.
#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "db/jet/byte_source.h"
#include "db/jet/bytes.h"
#include "db/jet/parallel_reads.h"

namespace scandrel::db::jet {

using Page = std::vector<uint8_t>;
using PagePtr = std::shared_ptr<const Page>;

class PageCache {
public:
    PageCache(std::unique_ptr<ByteSource> source, uint32_t pageSize, size_t capacity);
    ~PageCache();
    PageCache(const PageCache&) = delete;
    PageCache& operator=(const PageCache&) = delete;

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
    // Lets go of every page kept or fetched (their holders keep theirs) and looks at
    // the size again: after the host has written, nothing read before is trusted.
    void startOver();

    // True once the file's reads have been seen to wait (a server's shared folder, a
    // cold disk): then reading ahead, many reads at once, pays for itself. Local
    // reads from the system's cache never turn it on.
    bool readsWait() const { return readsWait_; }
    // Reads ahead whatever the reads take (tests).
    void alwaysReadAhead() { readsWait_ = alwaysReadAhead_ = true; }
    // Reads these pages now, many reads in flight at once, neighbouring pages in one
    // read, and keeps them apart until they are asked for or the room is needed.
    // Pages at hand already and pages past the end are left out; a read that fails
    // is left to the page's own read when it is asked for.
    void fetch(std::vector<uint32_t> numbers);
    // The page when it is at hand (kept or fetched), without reading anything.
    PagePtr peek(uint32_t number) const;

private:
    bool readPage(uint32_t number, uint8_t* destination);
    void noteReadTime(std::chrono::steady_clock::duration taken);

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

    // Pages read ahead, not yet asked for.
    std::unordered_map<uint32_t, PagePtr> fetched_;
    std::unique_ptr<ParallelReads> readers_;
    // How long the last few reads of single pages took.
    std::array<std::chrono::steady_clock::duration, 16> readTimes_{};
    size_t readTimesSeen_ = 0;
    bool readsWait_ = false;
    bool alwaysReadAhead_ = false;
    uint64_t readCalls_ = 0;  // made to the source
};

}  // namespace scandrel::db::jet
