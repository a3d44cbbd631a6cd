// The database file on POSIX systems: opened read only, never locked, read with pread.
//
// Not through a mapped view: a file larger than the page budget is read at random
// (patients in name order), and views of bounded windows of it are made and unmade
// all the time. Replaying the reads of the 100,000-patient search (665,000 pages,
// 570 MB): pread 0.61 s, views of 1 to 16 MB within 96 to 128 MB of address space
// 3.3 s (a fault every other page, a view every seventh), one view of the whole file
// 0.32 s but as many resident megabytes as the file has. And a view of a file the
// host cuts short faults (SIGBUS) where a read only comes up short.
#include <fcntl.h>
#include <sys/stat.h>
#ifdef __linux__
#include <sys/statfs.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <array>

#include <cerrno>

#include "db/jet/byte_source.h"
#include "db/jet/errors.h"

namespace scandrel::db::jet {
namespace {

// File systems whose files lie on another machine (Linux's magic numbers): NFS,
// SMB, CIFS, SMB 3, Coda, AFS, 9P and FUSE (sshfs and the like).
bool onNetwork([[maybe_unused]] int fd) {
#ifdef __linux__
    constexpr std::array<unsigned long, 8> kNetworkSystems = {0x6969,     0x517B,     0xFF534D42, 0xFE534D42,
                                                              0x73757245, 0x5346414F, 0x01021997, 0x65735546};
    struct statfs info {};
    if (::fstatfs(fd, &info) != 0) return false;
    const auto type = static_cast<unsigned long>(info.f_type) & 0xFFFFFFFFul;
    return std::find(kNetworkSystems.begin(), kNetworkSystems.end(), type) != kNetworkSystems.end();
#else
    return false;
#endif
}

class PosixFileSource final : public ByteSource {
public:
    PosixFileSource(int fd, const struct stat& info)
        : fd_(fd), size_(static_cast<uint64_t>(info.st_size)), remote_(onNetwork(fd)),
          identity_{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)} {}
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

    bool remote() const override { return remote_; }
    bool readsAlongside() const override { return true; }
    std::optional<FileIdentity> identity() const override { return identity_; }

private:
    int fd_;
    uint64_t size_;
    bool remote_;
    FileIdentity identity_;
};

}  // namespace

std::unique_ptr<ByteSource> openFileSource(const std::filesystem::path& path) {
    const std::u16string name = path.u16string();
    if (path.empty()) throw fileNotFound(name);
    // Without blocking: opening a FIFO for reading would wait for a writer, and a
    // device may wait too. The path is refused by its type before anything is read.
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG) throw fileNotFound(name);
        if (errno == ENXIO) throw notAFile(name, false);  // a socket, or a device that is not there
        throw cannotOpenFile(name);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        throw cannotOpenFile(name);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        throw notAFile(name, S_ISDIR(info.st_mode));
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        throw cannotOpenFile(name);
    }
    return std::make_unique<PosixFileSource>(fd, info);
}

}  // namespace scandrel::db::jet
