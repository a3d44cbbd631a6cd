#pragma once
// The pages of the file, read on demand and kept up to a memory budget. A page
// handed out stays valid for as long as its holder keeps it, even after the cache
// has let it go.
//
// When the whole file fits the budget (a clinic's database usually does), a page
// missing is read with its neighbours, a block of the file in one read, and every
// page is kept: the file is read once, in few large reads. When it doesn't fit,
// pages are read one at a time, and the reads the search will need soon are planned
// ahead (fetch): sorted in file order, neighbouring pages in one read, and over a
// network many reads under way at once.
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
    // `capacity`: the most pages kept.
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
    // as it works, such as the maps of the pages each table owns), read alone.
    PagePtr freshPage(uint32_t number);
    // Looks at the file's size again; the new page count. A file that has grown or
    // shrunk is being written by the host: the pages kept are let go (their holders
    // keep theirs).
    uint32_t refreshPageCount();
    // Lets go of every page kept or fetched (their holders keep theirs) and looks at
    // the size again: after the host has written, nothing read before is trusted.
    void startOver();

    // Whether every page of the file can be kept.
    bool fileFits() const { return pageCount_ <= slots_.size(); }
    // Whether fetch() is worth calling: the file doesn't fit, so pages are read one at
    // a time unless planned.
    bool plansReads() const { return alwaysPlan_ || !fileFits(); }
    // Plans reads whatever the file's size (tests).
    void alwaysReadAhead() { alwaysPlan_ = true; }
    // Reads these pages now, in file order, neighbouring pages in one read (over a
    // network, many reads under way at once), and keeps them apart until they are
    // asked for or the room is needed. Pages at hand already and pages past the end
    // are left out; a read that fails is left to the page's own read when it is
    // asked for.
    void fetch(std::vector<uint32_t> numbers);
    // The page when it is at hand (kept or fetched), without reading anything.
    PagePtr peek(uint32_t number) const;

private:
    // Reads the page, or its block of the file when the file fits, and keeps it.
    PagePtr readIn(uint32_t number);
    // Reads the pages [first, first + count) in one read and keeps those not kept
    // yet; false when the read came up short.
    bool readBlock(uint32_t first, uint32_t count);
    bool readPage(uint32_t number, uint8_t* destination);
    // Keeps a page read, in a free slot or in place of one not used lately.
    void keep(uint32_t number, PagePtr page);
    void forget(size_t slot);
    void forgetAll();

    struct Slot {
        uint32_t number = 0;
        bool used = false;
        PagePtr page;
    };

    std::unique_ptr<ByteSource> source_;
    uint32_t pageSize_;
    uint32_t pageCount_;
    std::vector<Slot> slots_;
    std::vector<size_t> free_;  // slots holding no page
    std::unordered_map<uint32_t, size_t> where_;
    size_t hand_ = 0;
    bool alwaysPlan_ = false;

    // Pages read ahead, not yet asked for.
    std::unordered_map<uint32_t, PagePtr> fetched_;
    std::unique_ptr<ParallelReads> readers_;
    std::vector<uint8_t> block_;  // a block read, before it is cut into pages
};

}  // namespace scandrel::db::jet
