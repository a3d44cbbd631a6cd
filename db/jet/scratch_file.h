#pragma once
// A file of our own for bytes we keep on this machine's disk (a local copy of a
// database on a server's shared folder): made empty in a folder we choose, never
// named by anything read, read and written from any thread, and deleted by the
// system when closed, however the process ends. Used by one copy at a time.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace scandrel::db::jet {

class ScratchFile {
public:
    virtual ~ScratchFile() = default;
    // Exactly `count` bytes at `offset`; false when they can't all be written or read.
    virtual bool write(uint64_t offset, const uint8_t* bytes, size_t count) = 0;
    virtual bool read(uint64_t offset, uint8_t* destination, size_t count) = 0;
};

// A new scratch file in `folder` (the system's folder for temporary files when
// empty); nullptr when none can be made there.
std::unique_ptr<ScratchFile> makeScratchFile(const std::filesystem::path& folder = {});

}  // namespace scandrel::db::jet
