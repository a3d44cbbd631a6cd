// The database file on POSIX systems: opened read only, never locked, read with pread.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "db/jet/byte_source.h"
#include "db/jet/errors.h"

namespace scandrel::db::jet {
namespace {

class PosixFileSource final : public ByteSource {
public:
    PosixFileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
    ~PosixFileSource() override { ::close(fd_); }
    PosixFileSource(const PosixFileSource&) = delete;
    PosixFileSource& operator=(const PosixFileSource&) = delete;

    uint64_t size() const override { return size_; }

    uint64_t currentSize() override {
        struct stat info {};
        if (::fstat(fd_, &info) == 0 && info.st_size >= 0) size_ = static_cast<uint64_t>(info.st_size);
        return size_;
    }

    bool read(uint64_t offset, uint8_t* destination, size_t count) override {
        size_t done = 0;
        while (done < count) {
            const ssize_t n = ::pread(fd_, destination + done, count - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

private:
    int fd_;
    uint64_t size_;
};

}  // namespace

std::unique_ptr<ByteSource> openFileSource(const std::filesystem::path& path) {
    const std::u16string name = path.u16string();
    if (path.empty()) throw fileNotFound(name);
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG) throw fileNotFound(name);
        throw cannotOpenFile(name);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw cannotOpenFile(name);
    }
    return std::make_unique<PosixFileSource>(fd, static_cast<uint64_t>(info.st_size));
}

}  // namespace scandrel::db::jet
