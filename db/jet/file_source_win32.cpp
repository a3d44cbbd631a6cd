// The database file on Windows: opened read only with every kind of sharing, so the
// host can go on reading, writing and even renaming it; never locked. Opened for
// overlapped reads, so that reads sent from several threads at once are under way
// together instead of one after another.
#include <windows.h>

#include <mutex>
#include <vector>

#include "db/jet/byte_source.h"
#include "db/jet/errors.h"

namespace scandrel::db::jet {
namespace {

class Win32FileSource final : public ByteSource {
public:
    Win32FileSource(HANDLE file, uint64_t size) : file_(file), size_(size) {}
    ~Win32FileSource() override {
        for (HANDLE event : idleEvents_) CloseHandle(event);
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

    bool read(uint64_t offset, uint8_t* destination, size_t count) override {
        // Each read waits on an event of its own: the file's handle can't tell which
        // of the reads under way has ended. Events are kept for the next reads.
        const Event done(*this);
        if (done.handle == nullptr) return false;
        size_t read = 0;
        while (read < count) {
            OVERLAPPED where{};
            const uint64_t at = offset + read;
            where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
            where.OffsetHigh = static_cast<DWORD>(at >> 32);
            where.hEvent = done.handle;
            const size_t left = count - read;
            const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
            DWORD got = 0;
            if (!ReadFile(file_, destination + read, chunk, nullptr, &where) && GetLastError() != ERROR_IO_PENDING)
                return false;
            if (!GetOverlappedResult(file_, &where, &got, TRUE) || got == 0) return false;
            read += got;
        }
        return true;
    }

private:
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
    uint64_t size_;
    std::mutex eventsMutex_;
    std::vector<HANDLE> idleEvents_;
};

}  // namespace

std::unique_ptr<ByteSource> openFileSource(const std::filesystem::path& path) {
    const std::u16string name = path.u16string();
    if (path.empty()) throw fileNotFound(name);
    const std::wstring wide = path.wstring();
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS | FILE_FLAG_OVERLAPPED, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME ||
            code == ERROR_BAD_NETPATH || code == ERROR_INVALID_DRIVE || code == ERROR_BAD_PATHNAME)
            throw fileNotFound(name);
        throw cannotOpenFile(name);
    }
    LARGE_INTEGER size{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size) || size.QuadPart < 0) {
        CloseHandle(file);
        throw cannotOpenFile(name);
    }
    return std::make_unique<Win32FileSource>(file, static_cast<uint64_t>(size.QuadPart));
}

}  // namespace scandrel::db::jet
