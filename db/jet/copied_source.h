#pragma once
// A database on a server's shared folder, copied once to this machine's disk as it
// is searched, so that each of its bytes crosses the network once (reading a file
// larger than the memory kept for pages in name order would fetch most pages
// several times), and while the search works on what it has. For the page cache of
// that file, on the threads it reads from.
//
// What the search can do before the copy is over: listing the patients in name
// order and the rows of the tables related to them needs pages from all over the
// file (a clinic's tables are written patient by patient, side by side), so that
// work follows the copy, and the work on each patient starts near its end. From
// then on the copy is read as a local file is (measured: 100,000 patients over
// 1 Gbit/s, 7,600 of 665,000 reads before the copy was over, the rest as fast as
// the same search of a local file).
//
// The protocol:
//  1. The file is cut into chunks. From the first read on, two threads copy the
//     chunks not copied yet, in file order, each read of the network one chunk,
//     into a scratch file (temporary, deleted when closed).
//  2. A read of bytes whose chunks are copied is a read of the scratch file. A chunk
//     not copied yet is fetched by the reading thread itself, ahead of the copy, and
//     kept; a chunk on its way (the copy's, or another reader's) is waited for.
//  3. A chunk whose fetch fails or comes up short is left to a read of the file
//     itself, which answers as it would without the copy (the end of the file,
//     3043). The copy goes on with the next chunks.
//  4. When the host has written (the engine starts over), every chunk is taken for
//     not copied, and copied again: nothing read before is trusted. A file grown or
//     cut (currentSize) has its chunks past the old end added, or dropped.
//  5. The copy's threads end when the source is destroyed (a search over, failed or
//     cancelled), after the read each has under way; the scratch file goes with it.
//     It never holds more than the file's bytes.
//  6. The file's size is looked at (currentSize) only once no fetch reads it: the
//     copy waits meanwhile.
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "db/jet/byte_source.h"
#include "db/jet/scratch_file.h"

namespace scandrel::db::jet {

class CopiedSource final : public ByteSource {
public:
    static constexpr size_t kChunkBytes = size_t{256} << 10;

    CopiedSource(std::unique_ptr<ByteSource> file, std::unique_ptr<ScratchFile> scratch);
    ~CopiedSource() override;
    CopiedSource(const CopiedSource&) = delete;
    CopiedSource& operator=(const CopiedSource&) = delete;

    uint64_t size() const override { return file_->size(); }
    uint64_t currentSize() override;
    bool read(uint64_t offset, uint8_t* destination, size_t count) override;
    // Reads are of this machine's disk, or wait for their chunk: planning them ahead
    // would only put the search's chunks behind others on the network (measured:
    // 100,000 patients over 1 Gbit/s in 8.9 s without, 14.4 s with).
    bool remote() const override { return false; }
    bool readsAlongside() const override { return true; }
    std::optional<FileIdentity> identity() const override { return file_->identity(); }
    void startOver() override;

private:
    // Failed: the file's own reads answer for it, until the next start over (3).
    enum class Chunk : uint8_t { Missing, Coming, Copied, Failed };
    void copy();
    // Fetches a missing chunk from the file into the scratch file; the lock is held
    // on entry and exit, not while it reads the file.
    void fetch(size_t chunk, std::unique_lock<std::mutex>& lock);
    // Waits until every chunk of [offset, offset + count) is copied, fetching those
    // missing; false when one can't be (past the end, or failed).
    bool bring(uint64_t offset, size_t count, std::unique_lock<std::mutex>& lock);
    void resize(uint64_t size);  // the lock held
    void forget(size_t chunk);   // the lock held

    std::unique_ptr<ByteSource> file_;
    std::unique_ptr<ScratchFile> scratch_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Chunk> chunks_;
    std::vector<uint32_t> generation_;  // by chunk: bumped when it is forgotten
    uint64_t bytes_ = 0;                // the file's size as last seen
    size_t next_ = 0;                   // where the copy looks for a chunk missing
    bool stopping_ = false;
    bool started_ = false;
    bool paused_ = false;     // while the file's size is looked at
    size_t underWay_ = 0;     // fetches reading the file
    std::vector<std::thread> copiers_;  // started on the first read
};

// The source itself, or its copy on this machine's disk (in `scratchFolder`, the
// system's temporary folder when empty) where it lies on a network; the source
// itself when no scratch file can be made.
std::unique_ptr<ByteSource> copiedFromNetwork(std::unique_ptr<ByteSource> source,
                                              const std::filesystem::path& scratchFolder = {});

}  // namespace scandrel::db::jet
