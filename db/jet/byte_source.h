#pragma once
// Where the bytes of a database file come from: the file itself, read piece by
// piece and never locked, or a block of memory (tests, fuzzing).
#include <cstddef>
#include <compare>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace scandrel::db::jet {

// Which file a path leads to, however it is spelt: device and inode on POSIX systems,
// volume serial number and file index on Windows.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t file = 0;
    auto operator<=>(const FileIdentity&) const = default;
};

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Size in bytes when last looked at: at opening or at the last currentSize().
    virtual uint64_t size() const = 0;
    // Size in bytes now: the host may have grown, cut or rewritten the file since.
    virtual uint64_t currentSize() = 0;
    // Reads exactly `count` bytes at `offset`; false when they are not all there, an
    // Error when the read fails outright or never ends (3043). May be called from
    // several threads at once (reading ahead), never together with currentSize().
    virtual bool read(uint64_t offset, uint8_t* destination, size_t count) = 0;
    // Whether the bytes come over a network (a server's shared folder), where every
    // read waits: then reads are worth sending many at once.
    virtual bool remote() const { return false; }
    // Whether a read may run on a thread of its own while the engine works on with
    // the pages before it: each read stands alone, whatever else is under way (a
    // file, its copy). A source that can't say keeps its reads on the engine's
    // thread (and, on a network, the planned reads of read-ahead).
    virtual bool readsAlongside() const { return false; }
    // The file's identity; none for bytes that are no file, or where the file system
    // doesn't tell one file from another.
    virtual std::optional<FileIdentity> identity() const { return std::nullopt; }
    // The host has written: bytes kept from the file (a copy of it) are not trusted
    // any more. Never called together with read().
    virtual void startOver() {}
};

// Opens the file read only and shared with writers, without any lock; remote when
// the file system it lies on is a network's. Never waits: a path that names a folder,
// a device, a pipe or a socket is refused by its type before anything is read.
// 3024 when the file or a folder on its path is missing, 3343 when the path names no
// plain file, 3051 when it can't be opened.
std::unique_ptr<ByteSource> openFileSource(const std::filesystem::path& path);

std::unique_ptr<ByteSource> memorySource(std::vector<uint8_t> bytes);

}  // namespace scandrel::db::jet
