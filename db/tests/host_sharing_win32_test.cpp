// The host keeps its database open for writing while the search reads it.
#ifdef _WIN32
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "db/database.h"
#include "db/tests/jet_test_files.h"

namespace scandrel::db {
namespace {

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

Handle openAsHost(const std::filesystem::path& path) {
    HANDLE h = CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    return Handle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

TEST(HostSharing, ReadsWhileTheHostWritesAndLeavesNoLockBehind) {
    const auto sample = testing::sampleFile("testV2000.mdb");
    if (!std::filesystem::exists(sample)) GTEST_SKIP() << "sample databases not found at " << sample;
    testing::TempFolder folder;
    const auto path = folder.path() / L"clínica ação.mdb";  // a wide-character path
    std::filesystem::copy_file(sample, path);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    Handle host = openAsHost(path);
    ASSERT_TRUE(host) << "error " << GetLastError();
    {
        Database db = Database::open(path);
        EXPECT_FALSE(db.tableNames().empty());
        // While we hold the file, the host can still open it for writing and delete it.
        Handle second = openAsHost(path);
        EXPECT_TRUE(second) << "error " << GetLastError();
    }
    host.reset();
    EXPECT_FALSE(std::filesystem::exists(folder.path() / L"clínica ação.ldb"));
    EXPECT_TRUE(DeleteFileW(path.wstring().c_str())) << "error " << GetLastError();
}

}  // namespace
}  // namespace scandrel::db
#endif
