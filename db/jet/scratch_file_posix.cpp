// The scratch file on POSIX systems: an unnamed file (Linux's O_TMPFILE), or one
// unlinked as soon as it is made; read and written with pread and pwrite.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "db/jet/scratch_file.h"

namespace scandrel::db::jet {
namespace {

// Calls `transfer` (a pread or a pwrite of what is left after `done` bytes) until all
// `count` bytes are done; false when one transfers nothing or fails.
template <class Transfer>
bool whole(size_t count, Transfer&& transfer) {
    for (size_t done = 0; done < count;) {
        const ssize_t n = transfer(done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

class PosixScratchFile final : public ScratchFile {
public:
    explicit PosixScratchFile(int fd) : fd_(fd) {}
    ~PosixScratchFile() override { ::close(fd_); }
    PosixScratchFile(const PosixScratchFile&) = delete;
    PosixScratchFile& operator=(const PosixScratchFile&) = delete;

    bool write(uint64_t offset, const uint8_t* bytes, size_t count) override {
        return whole(count, [&](size_t done) {
            return ::pwrite(fd_, bytes + done, count - done, static_cast<off_t>(offset + done));
        });
    }
    bool read(uint64_t offset, uint8_t* destination, size_t count) override {
        return whole(count, [&](size_t done) {
            return ::pread(fd_, destination + done, count - done, static_cast<off_t>(offset + done));
        });
    }

private:
    int fd_;
};

}  // namespace

std::unique_ptr<ScratchFile> makeScratchFile(const std::filesystem::path& folder) {
    std::error_code failed;
    const std::filesystem::path where = folder.empty() ? std::filesystem::temp_directory_path(failed) : folder;
    if (failed) return nullptr;
    int fd = -1;
#ifdef O_TMPFILE
    fd = ::open(where.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#endif
    if (fd < 0) {
        // No unnamed files here: a name of our own, gone as soon as it is open.
        std::string name = (where / "scandrel-XXXXXX").string();
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) return nullptr;
        ::unlink(name.c_str());
    }
    return std::make_unique<PosixScratchFile>(fd);
}

}  // namespace scandrel::db::jet
