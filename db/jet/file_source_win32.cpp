// The database file on Windows: opened read only with every kind of sharing, so the
// host can go on reading, writing and even renaming it; never locked.
#include <windows.h>

#include "db/jet/byte_source.h"
#include "db/jet/errors.h"

namespace scandrel::db::jet {
namespace {

class Win32FileSource final : public ByteSource {
public:
    Win32FileSource(HANDLE file, uint64_t size) : file_(file), size_(size) {}
    ~Win32FileSource() override { CloseHandle(file_); }
    Win32FileSource(const Win32FileSource&) = delete;
    Win32FileSource& operator=(const Win32FileSource&) = delete;

    uint64_t size() const override { return size_; }

    uint64_t currentSize() override {
        LARGE_INTEGER now{};
        if (GetFileSizeEx(file_, &now) && now.QuadPart >= 0) size_ = static_cast<uint64_t>(now.QuadPart);
        return size_;
    }

    bool read(uint64_t offset, uint8_t* destination, size_t count) override {
        size_t done = 0;
        while (done < count) {
            OVERLAPPED where{};
            const uint64_t at = offset + done;
            where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
            where.OffsetHigh = static_cast<DWORD>(at >> 32);
            const size_t left = count - done;
            const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
            DWORD got = 0;
            if (!ReadFile(file_, destination + done, chunk, &got, &where) || got == 0) return false;
            done += got;
        }
        return true;
    }

private:
    HANDLE file_;
    uint64_t size_;
};

}  // namespace

std::unique_ptr<ByteSource> openFileSource(const std::filesystem::path& path) {
    const std::u16string name = path.u16string();
    if (path.empty()) throw fileNotFound(name);
    const std::wstring wide = path.wstring();
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr);
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
