#pragma once
// A database on a server's shared folder, copied once to this machine's disk as it
// is searched, so that each of its bytes crosses the network once (reading a file
// larger than the memory kept for pages in name order would fetch most pages
// several times), and while the search works on what it has. For the page cache of
// that file, on the threads it reads from.
//
// The protocol:
//  1. The file is cut into units of a page of the largest size (4 KB). From the
//     first read on, the copy's threads copy the units not copied yet, in file
//     order, each read of the network a run of up to a chunk (64 KB) of units
//     missing, into a scratch file (temporary, deleted when closed).
//  2. A read of bytes whose units are copied is a read of the scratch file. The units
//     of a read not copied yet are fetched by the reading thread itself, ahead of the
//     copy, just those: a run of missing units in one read of the network. A unit on
//     its way (the copy's, or another reader's) is waited for. Reads are planned
//     (remote): the search's reads ahead are such reads, many at once.
//  3. Reading ahead, the search tells which bytes it will read next (ahead): those
//     missing are fetched by the copy's threads before anything else, several at
//     once, in the order told, while the search goes on. The copy in file order
//     gives way to these and to the readers' own fetches: while one is under way it
//     sends nothing, and it never has more than two reads under way, so that the
//     reads the search waits for queue behind little on the link.
//  4. A unit whose fetch fails or comes up short is left to a read of the file
//     itself, which answers as it would without the copy (the end of the file,
//     3043). The copy goes on with the next units.
//  5. When the host has written (the engine starts over), every unit is taken for
//     not copied, and copied again: nothing read before is trusted. A file grown or
//     cut (currentSize) has its units past the old end added, or dropped.
//  6. The copy's threads end when the source is destroyed (a search over, failed or
//     cancelled), after the read each has under way; the scratch file goes with it.
//     It never holds more than the file's bytes.
//  7. The file's size is looked at (currentSize) only once no fetch reads it: the
//     copy waits meanwhile (readers never read while it is looked at).
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "db/jet/byte_source.h"
#include "db/jet/scratch_file.h"

namespace scandrel::db::jet {

class CopiedSource final : public ByteSource {
public:
    static constexpr size_t kUnitBytes = size_t{4} << 10;
    static constexpr size_t kChunkBytes = size_t{64} << 10;

    CopiedSource(std::unique_ptr<ByteSource> file, std::unique_ptr<ScratchFile> scratch);
    ~CopiedSource() override;
    CopiedSource(const CopiedSource&) = delete;
    CopiedSource& operator=(const CopiedSource&) = delete;

    uint64_t size() const override { return file_->size(); }
    uint64_t currentSize() override;
    bool read(uint64_t offset, uint8_t* destination, size_t count) override;
    // A read of bytes not copied yet waits for the network: the search's reads ahead
    // are worth sending many at once, and go before the copy (2, 3).
    bool remote() const override { return !complete_; }
    Ahead ahead(uint64_t offset, size_t count) override;
    bool bringsAhead() const override { return !complete_; }
    std::optional<FileIdentity> identity() const override { return file_->identity(); }
    void startOver() override;

private:
    // Failed: the file's own reads answer for it, until the next start over (4).
    enum class Unit : uint8_t { Missing, Coming, Copied, Failed };
    void copy();
    void startCopy();  // the lock held
    // Fetches the missing units [first, first + count) from the file into the scratch
    // file, marked Coming by the caller; the lock is held on entry and exit, not while
    // it reads the file. `urgent`: a reader's, which the copy gives way to.
    void fetch(size_t first, size_t count, bool urgent, std::unique_lock<std::mutex>& lock);
    // Waits until every unit of [offset, offset + count) is copied, fetching those
    // missing; false when one can't be (past the end, or failed).
    bool bring(uint64_t offset, size_t count, std::unique_lock<std::mutex>& lock);
    void resize(uint64_t size);  // the lock held
    void forget(size_t unit);    // the lock held

    std::unique_ptr<ByteSource> file_;
    std::unique_ptr<ScratchFile> scratch_;
    std::mutex mutex_;
    std::condition_variable work_;     // for the copy's threads
    std::condition_variable arrived_;  // for reads waiting on units coming, and the size
    size_t waiting_ = 0;               // reads waiting on units coming
    std::vector<Unit> units_;
    std::vector<uint32_t> generation_;  // by unit: bumped when it is forgotten
    uint64_t bytes_ = 0;                // the file's size as last seen
    size_t next_ = 0;                   // where the copy looks for a unit missing
    bool stopping_ = false;
    bool started_ = false;
    bool paused_ = false;     // while the file's size is looked at
    size_t underWay_ = 0;     // fetches reading the file
    size_t urgent_ = 0;       // of which the readers' and those asked for ahead
    size_t inOrder_ = 0;      // of which the copy's in file order
    std::deque<std::pair<size_t, size_t>> wanted_;  // units asked for ahead: first, count
    size_t settled_ = 0;                  // units copied or failed
    std::atomic<bool> complete_ = false;  // every unit is (settled_ is their count)
    std::vector<std::thread> copiers_;    // started on the first read
};

// The source itself, or its copy on this machine's disk (in `scratchFolder`, the
// system's temporary folder when empty) where it lies on a network; the source
// itself when no scratch file can be made.
std::unique_ptr<ByteSource> copiedFromNetwork(std::unique_ptr<ByteSource> source,
                                              const std::filesystem::path& scratchFolder = {});

}  // namespace scandrel::db::jet
