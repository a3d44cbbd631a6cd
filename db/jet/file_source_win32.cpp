// The database file on Windows: opened read only with every kind of sharing, so the
// host can go on reading, writing and even renaming it; never locked. Read with
// plain synchronous reads from the handle's position; only reads sent from several threads at once (a file on
// a server's shared folder, read ahead) go through a second handle opened for
// overlapped reads, so that they are under way together.
//
// Not through a mapped view: while a view of the file is mapped the host could not
// cut its own file short (SetEndOfFile fails with ERROR_USER_MAPPED_FILE), and views
// of bounded windows, made and unmade as patients in name order jump about the file,
// cost more than the reads they save (file_source_posix.cpp). The page cache keeps
// the reads few instead.
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "db/jet/byte_source.h"
#include "db/jet/device_names.h"
#include "db/jet/errors.h"

namespace scandrel::db::jet {
namespace {

constexpr DWORD kSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kLargestRead = 0x40000000u;
// A read over the network not over after this long is given up (error 3043): the
// server or the way to it is gone, and the search must not wait for it for ever.
constexpr DWORD kLongestWait = 30000;
constexpr DWORD kOpenFlags =
    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;

OVERLAPPED at(uint64_t offset) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return where;
}

DWORD chunkOf(size_t left) { return left > kLargestRead ? kLargestRead : static_cast<DWORD>(left); }

// A network drive, or a path that names a server.
bool onNetwork(const std::wstring& path) {
    if (path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/')) return true;
    if (path.size() < 2 || path[1] != L':') return false;
    const std::wstring root = path.substr(0, 2) + L"\\";
    return GetDriveTypeW(root.c_str()) == DRIVE_REMOTE;
}

class Win32FileSource final : public ByteSource {
public:
    Win32FileSource(HANDLE file, HANDLE overlapped, uint64_t size, bool remote)
        : file_(file), overlapped_(overlapped), size_(size), remote_(remote) {
        BY_HANDLE_FILE_INFORMATION info{};
        // Some servers' shares give every file index 0: their files are told apart by path.
        if (GetFileInformationByHandle(file_, &info) && (info.nFileIndexHigh | info.nFileIndexLow) != 0)
            identity_ = FileIdentity{info.dwVolumeSerialNumber,
                                     (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
    }
    ~Win32FileSource() override {
        for (HANDLE event : idleEvents_) CloseHandle(event);
        if (overlapped_ != INVALID_HANDLE_VALUE) CloseHandle(overlapped_);
        CloseHandle(file_);
    }
    Win32FileSource(const Win32FileSource&) = delete;
    Win32FileSource& operator=(const Win32FileSource&) = delete;

    uint64_t size() const override { return size_; }

    uint64_t currentSize() override {
        LARGE_INTEGER now{};
        if (GetFileSizeEx(file_, &now) && now.QuadPart >= 0) size_ = static_cast<uint64_t>(now.QuadPart);
        return size_;
    }

    bool remote() const override { return remote_; }
    bool readsAlongside() const override { return true; }
    std::optional<FileIdentity> identity() const override { return identity_; }

    bool read(uint64_t offset, uint8_t* destination, size_t count) override {
        // The synchronous handle serves one read at a time; a read that finds it busy
        // goes the overlapped way, when there is one.
        std::unique_lock plain(plainMutex_, std::try_to_lock);
        if (!plain.owns_lock() && overlapped_ == INVALID_HANDLE_VALUE) plain.lock();
        if (plain.owns_lock()) return readPlain(offset, destination, count);
        return readOverlapped(offset, destination, count);
    }

private:
    // The handle's own position is moved, then read from: a read given its place in
    // an OVERLAPPED costs a round trip to the Wine server where a move does not (5 to
    // 6 microseconds a page read against 35 to 65, measured), and costs Windows no more.
    // The position is only ever used here, one read at a time.
    bool readPlain(uint64_t offset, uint8_t* destination, size_t count) {
        size_t read = 0;
        while (read < count) {
            LARGE_INTEGER place{};
            place.QuadPart = static_cast<LONGLONG>(offset + read);
            DWORD got = 0;
            if (!SetFilePointerEx(file_, place, nullptr, FILE_BEGIN) ||
                !ReadFile(file_, destination + read, chunkOf(count - read), &got, nullptr) || got == 0)
                return false;
            read += got;
        }
        return true;
    }

    bool readOverlapped(uint64_t offset, uint8_t* destination, size_t count) {
        // Each read waits on an event of its own: the file's handle can't tell which
        // of the reads under way has ended. Events are kept for the next reads.
        const Event done(*this);
        if (done.handle == nullptr) return false;
        size_t read = 0;
        while (read < count) {
            OVERLAPPED where = at(offset + read);
            where.hEvent = done.handle;
            DWORD got = 0;
            if (!ReadFile(overlapped_, destination + read, chunkOf(count - read), nullptr, &where) &&
                GetLastError() != ERROR_IO_PENDING)
                return false;
            if (WaitForSingleObject(done.handle, kLongestWait) != WAIT_OBJECT_0) {
                // Given up; the read is called off, and its end waited for, before the
                // buffer and the OVERLAPPED it writes to are let go.
                CancelIoEx(overlapped_, &where);
                GetOverlappedResult(overlapped_, &where, &got, TRUE);
                throw diskOrNetworkError();
            }
            if (!GetOverlappedResult(overlapped_, &where, &got, FALSE) || got == 0) return false;
            read += got;
        }
        return true;
    }

    // An event lent by the source for one read (ReadFile resets it as the read starts).
    struct Event {
        explicit Event(Win32FileSource& source) : owner(source) {
            {
                const std::lock_guard lock(owner.eventsMutex_);
                if (!owner.idleEvents_.empty()) {
                    handle = owner.idleEvents_.back();
                    owner.idleEvents_.pop_back();
                }
            }
            if (handle == nullptr) handle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        }
        ~Event() {
            if (handle == nullptr) return;
            const std::lock_guard lock(owner.eventsMutex_);
            try {
                owner.idleEvents_.push_back(handle);
            } catch (...) {
                CloseHandle(handle);
            }
        }
        Event(const Event&) = delete;
        Event& operator=(const Event&) = delete;
        Win32FileSource& owner;
        HANDLE handle = nullptr;
    };

    HANDLE file_;
    HANDLE overlapped_;  // INVALID_HANDLE_VALUE when it could not be opened
    uint64_t size_;
    bool remote_;
    std::optional<FileIdentity> identity_;
    std::mutex plainMutex_;
    std::mutex eventsMutex_;
    std::vector<HANDLE> idleEvents_;
};

}  // namespace

std::unique_ptr<ByteSource> openFileSource(const std::filesystem::path& path) {
    const std::u16string name = path.u16string();
    if (path.empty()) throw fileNotFound(name);
    // Devices and pipes are refused by their names, before anything is opened; a pipe
    // server reached anyway may learn who we are, never act as us.
    if (namesWindowsDevice(name)) throw notAFile(name, false);
    const std::wstring wide = path.wstring();
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, kSharing, nullptr, OPEN_EXISTING, kOpenFlags, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME ||
            code == ERROR_BAD_NETPATH || code == ERROR_INVALID_DRIVE || code == ERROR_BAD_PATHNAME)
            throw fileNotFound(name);
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            throw notAFile(name, true);
        throw cannotOpenFile(name);
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        throw notAFile(name, false);
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) {
        CloseHandle(file);
        throw cannotOpenFile(name);
    }
    // Reads many at once are only sent over a network.
    const bool remote = onNetwork(wide);
    constexpr DWORD kOverlapped = kOpenFlags | FILE_FLAG_OVERLAPPED;
    HANDLE overlapped = remote ? CreateFileW(wide.c_str(), GENERIC_READ, kSharing, nullptr, OPEN_EXISTING, kOverlapped, nullptr)
                               : INVALID_HANDLE_VALUE;
    return std::make_unique<Win32FileSource>(file, overlapped, static_cast<uint64_t>(size.QuadPart), remote);
}

}  // namespace scandrel::db::jet
