#pragma once
// The pages of the file, read on demand and kept up to a memory budget. A page
// handed out stays valid for as long as its holder keeps it, even after the cache
// has let it go.
//
// When the whole file fits the budget (a clinic's database usually does), a page
// missing is read with its neighbours, a block of the file in one read, and every
// page is kept: the file is read once, in few large reads. When it doesn't fit,
// pages are read one at a time, except those read ahead (fetch): a table's pages as
// it is listed, and on a network the rows the search will need soon, sorted in file
// order, neighbouring pages in one read, many reads under way at once. Then the
// pages kept are the tables' rows, which patients in name order come back to, and
// not the pages of long values (passingPage), each read about once a search: in a
// clinic of 100,000 patients, with a few pages kept, a table's page was read 9 to 42
// times and a long value's 1.8 times; keeping the tables' pages up to the budget,
// and no long value's, takes its search from 665,000 reads to 306,000.
//
// Its part in reading a file the host writes (the notes at the top of engine.h): a
// page past the end or a short read looks at the file's size again (step 2), and
// startOver lets every page go (step 4). Used on the engine's thread; only the reads
// of fetch run on other threads, and they touch nothing here, and so do those of
// fetchAlongside on a thread of the cache's own, which is waited for before the cache
// looks at the file's size again, lets its pages go, or ends.
#include <array>
#include <cassert>
#include <cstdint>
#include <memory>
#include <thread>
#include <unordered_map>
#include <vector>

#include "db/jet/byte_source.h"
#include "db/jet/bytes.h"
#include "db/jet/page.h"
#include "db/jet/page_budget.h"
#include "db/jet/parallel_reads.h"

namespace scandrel::db::jet {

using PagePtr = std::shared_ptr<const Page>;

class PageCache {
public:
    // `capacity`: the most pages kept; `budget`, when given, the memory this cache
    // shares with the caches of the other files of the search: a page is then kept
    // beside the others only while there is room in it (one page always).
    PageCache(std::unique_ptr<ByteSource> source, uint32_t pageSize, size_t capacity,
              std::shared_ptr<PageBudget> budget = nullptr);
    ~PageCache();
    PageCache(const PageCache&) = delete;
    PageCache& operator=(const PageCache&) = delete;

    uint32_t pageSize() const { return pageSize_; }
    const std::shared_ptr<PageBudget>& budget() const { return budget_; }
    // The most pages kept.
    size_t capacity() const { return capacity_; }
    uint32_t pageCount() const { return pageCount_; }
    // CorruptFile for a page past the end of the file or one that can't be read. A page
    // past the end known so far, or a read that comes up short, makes the cache look
    // at the file's size again and try once more: the host may be adding pages.
    PagePtr page(uint32_t number);
    // A page of long values (memos, pictures): as page(), but when the file doesn't
    // fit it is not kept when read, so that it never takes the place of a table's
    // page. Stays valid for as long as its holder keeps it, as any page.
    PagePtr passingPage(uint32_t number);
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
    bool fileFits() const { return pageCount_ <= capacity_; }
    // Whether planning the reads of rows ahead pays: the file doesn't fit, and lies on
    // a network, where every read waits and many can be under way at once. (Locally,
    // rows in name order lie apart in the file: planning their reads saves no read.)
    bool plansReads() const { return alwaysPlan_ || (!fileFits() && source_->remote()); }
    // Plans reads whatever the file's size (tests).
    void alwaysReadAhead() { alwaysPlan_ = true; }
    // Reads these pages now, in file order, neighbouring pages in one read (over a
    // network, many reads under way at once), and keeps them apart until they are
    // asked for or the room is needed. Pages at hand already and pages past the end
    // are left out; a read that fails is left to the page's own read when it is
    // asked for.
    void fetch(std::vector<uint32_t> numbers);
    // The same reads on a thread of the cache's own while the caller works on, where
    // the source allows it (readsAlongside; elsewhere fetch): a table's next pages
    // while the rows of those before are listed. They are taken in by the next fetch,
    // or when a page not at hand is asked for; peek doesn't see them until then.
    void fetchAlongside(std::vector<uint32_t> numbers);
    // The page when it is at hand (kept or fetched), without reading anything.
    PagePtr peek(uint32_t number) const;

private:
    // Pages asked for ahead, the reads that bring them (neighbouring pages in one
    // read) and the buffers they read into: made and taken on the cache's thread (its
    // memory, too), read on any.
    struct Batch {
        struct Run {
            uint32_t first = 0;
            uint32_t count = 0;
            std::vector<uint8_t> bytes;
        };
        std::vector<uint32_t> numbers;  // in file order
        std::vector<Run> runs;
        std::vector<ReadJob> jobs;  // one a run
    };
    // Of these pages, those worth reading ahead (not at hand, not past the end), and
    // the reads that bring them.
    Batch plan(std::vector<uint32_t> numbers) const;
    // Runs the batch's reads, many at once through `readers` when given. Touches
    // nothing of the cache: any thread.
    static void readBatch(ByteSource& source, Batch& batch, ParallelReads* readers);
    // Keeps the pages read apart until they are asked for (those at hand meanwhile left out).
    void takeFetched(Batch& batch);
    // Waits for the reads alongside, if any, and takes what they read in.
    void takeAlongside();

    // Reads the page, or its block of the file when the file fits, and keeps it.
    PagePtr readIn(uint32_t number);
    // Reads the pages [first, first + count) in one read and keeps those not kept
    // yet, sharing the block's memory while the budget has room for all of it (a page
    // let go to make room would hold its block); false when the read came up short.
    bool readBlock(uint32_t first, uint32_t count);
    bool readPage(uint32_t number, uint8_t* destination);
    // Keeps a page read, in a free slot or in place of one not used lately.
    void keep(uint32_t number, PagePtr page);
    // A page's buffer to read into: the one of the page let go next when the cache is full.
    std::shared_ptr<Page> spareBuffer();
    // Lets go of the page a slot holds: no longer found by its number.
    void unmap(size_t slot);
    // Also gives the slot and its page of the budget back.
    void forget(size_t slot);
    void forgetAll();
    // Debug builds: the slots' bookkeeping adds up (cheap: no walk over the slots).
    void checkCounts() const;
    // Whether a page can be kept beside those kept: a slot free or still to be made,
    // and room in the budget; takeRoom() takes it.
    bool roomLeft() const;
    bool takeRoom();
    // The slot whose page is let go next (second chance: recently used slots are
    // passed over once).
    size_t victim();
    // The slot holding the page, or kNoSlot.
    static constexpr size_t kNoSlot = static_cast<size_t>(-1);
    size_t slotOf(uint32_t number) const {
        if (number >= where_.size() || where_[number] == 0) return kNoSlot;
        assert(slots_[where_[number] - 1].number == number);
        return where_[number] - 1;
    }
    bool kept(uint32_t number) const { return slotOf(number) != kNoSlot; }

    struct Slot {
        uint32_t number = 0;
        bool used = false;
        PagePtr page;
    };

    std::unique_ptr<ByteSource> source_;
    uint32_t pageSize_;
    uint32_t pageCount_;
    size_t capacity_;
    std::shared_ptr<PageBudget> budget_;
    size_t held_ = 0;  // slots holding a page, each a page of the budget
    std::vector<Slot> slots_;   // made as they are first needed, up to capacity_
    size_t touched_ = 0;        // slots from here on have held no page yet
    std::vector<size_t> free_;  // slots before touched_ holding no page
    std::vector<uint32_t> where_;  // by page number: its slot + 1, or 0
    size_t hand_ = 0;
    bool alwaysPlan_ = false;

    // Pages read ahead, not yet asked for.
    std::unordered_map<uint32_t, PagePtr> fetched_;
    std::unique_ptr<ParallelReads> readers_;
    // Reads alongside: the batch belongs to the thread until it is joined.
    Batch alongside_;
    std::thread alongsideReader_;
    // The last pages of long values passed on (a patient's memos often share one),
    // each read into again once no one holds it; the oldest is replaced.
    struct Passing {
        uint32_t number = 0;
        std::shared_ptr<Page> page;  // none: free
    };
    static constexpr size_t kPassingPages = 16;
    std::array<Passing, kPassingPages> passing_{};
    size_t passingNext_ = 0;
};

}  // namespace scandrel::db::jet
