// The scratch file on Windows: made new under a name of our own, deleted on close
// (FILE_FLAG_DELETE_ON_CLOSE), and marked temporary so that its bytes stay in the
// system's cache where they can. One read or write at a time, each from the handle's
// own position (under Wine, a read given its place costs a server round trip).
#include <windows.h>

#include <mutex>
#include <string>

#include "db/jet/scratch_file.h"

namespace scandrel::db::jet {
namespace {

constexpr DWORD kLargest = 0x40000000u;

DWORD chunkOf(size_t left) { return left > kLargest ? kLargest : static_cast<DWORD>(left); }

class Win32ScratchFile final : public ScratchFile {
public:
    explicit Win32ScratchFile(HANDLE file) : file_(file) {}
    ~Win32ScratchFile() override { CloseHandle(file_); }
    Win32ScratchFile(const Win32ScratchFile&) = delete;
    Win32ScratchFile& operator=(const Win32ScratchFile&) = delete;

    bool write(uint64_t offset, const uint8_t* bytes, size_t count) override {
        const std::lock_guard lock(mutex_);
        for (size_t done = 0; done < count;) {
            DWORD n = 0;
            if (!moveTo(offset + done) || !WriteFile(file_, bytes + done, chunkOf(count - done), &n, nullptr) || n == 0)
                return false;
            done += n;
        }
        return true;
    }
    bool read(uint64_t offset, uint8_t* destination, size_t count) override {
        const std::lock_guard lock(mutex_);
        for (size_t done = 0; done < count;) {
            DWORD n = 0;
            if (!moveTo(offset + done) || !ReadFile(file_, destination + done, chunkOf(count - done), &n, nullptr) ||
                n == 0)
                return false;
            done += n;
        }
        return true;
    }

private:
    bool moveTo(uint64_t offset) {
        LARGE_INTEGER place{};
        place.QuadPart = static_cast<LONGLONG>(offset);
        return SetFilePointerEx(file_, place, nullptr, FILE_BEGIN) != 0;
    }
    HANDLE file_;
    std::mutex mutex_;
};

}  // namespace

std::unique_ptr<ScratchFile> makeScratchFile(const std::filesystem::path& folder) {
    std::wstring where;
    if (folder.empty()) {
        wchar_t temp[MAX_PATH + 1] = {};
        const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
        if (length == 0 || length > MAX_PATH) return nullptr;
        where = temp;
    } else {
        where = folder.wstring() + L"\\";
    }
    wchar_t name[MAX_PATH + 1] = {};
    if (GetTempFileNameW(where.c_str(), L"scd", 0, name) == 0) return nullptr;  // made empty, to be opened anew
    constexpr DWORD kFlags = FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE;
    // Shared with no one: it holds a copy of the patients' records.
    HANDLE file = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, kFlags, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileW(name);
        return nullptr;
    }
    return std::make_unique<Win32ScratchFile>(file);
}

}  // namespace scandrel::db::jet
