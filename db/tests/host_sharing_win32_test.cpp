// The host keeps its database open for writing while the search reads it.
#ifdef _WIN32
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "db/database.h"
#include "db/tests/host_edits.h"
#include "testing/jet_test_files.h"
#include "text/error.h"

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
    SCANDREL_NEED_SAMPLE("testV2000.mdb");
    const auto& sample = samplePath;
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

// The host writes through its own handle, held open for writing the whole time.
void hostWrites(HANDLE host, const std::vector<testing::FileEdit>& edits) {
    for (const testing::FileEdit& e : edits) {
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(e.at & 0xFFFFFFFFu);
        where.OffsetHigh = static_cast<DWORD>(e.at >> 32);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(host, e.bytes.data(), static_cast<DWORD>(e.bytes.size()), &written, &where))
            << "error " << GetLastError();
        ASSERT_EQ(written, e.bytes.size());
    }
}

TEST(HostSharing, TheHostMovesMemosToNewPagesWhileWeRead) {
    testing::TempFolder folder;
    const auto path = folder.path() / L"clínica.mdb";
    testing::writeClinic(path, 6, u"zzantigazz" + std::u16string(400, u'y'));
    Handle host = openAsHost(path);
    ASSERT_TRUE(host) << "error " << GetLastError();

    const Database db = Database::open(path);
    Recordset patients = db.openRecordset(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente");
    EXPECT_EQ(patients.field(testing::kName), Value::text(u"ANA"));  // the row is held from here on
    // The memo grows: a new page at the end, the row repointed, the old page reused.
    hostWrites(host.get(), testing::moveMemoToNewPage(testing::readAll(path), "zzantigazz", "zzdepoiszz", true));
    // The file's pages are kept as first read: the memo as it was, or as it is now.
    const Value notes = patients.field(testing::kNotes);
    EXPECT_TRUE(notes == Value::text(u"zzdepoiszz") || notes == Value::text(u"zzantigazz" + std::u16string(400, u'y')));
    patients.moveNext();
    EXPECT_EQ(patients.field(testing::kNotes), Value::text(std::u16string(40, u'x')));

    // Cut short under the reader: data or 3343, never a crash.
    LARGE_INTEGER third{};
    third.QuadPart = static_cast<LONGLONG>(std::filesystem::file_size(path) / 3);
    ASSERT_TRUE(SetFilePointerEx(host.get(), third, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(host.get())) << "error " << GetLastError();
    for (patients.moveFirst(); !patients.eof(); patients.moveNext()) {
        for (size_t i = 0; i < patients.columns().size(); ++i) {
            try {
                patients.value(static_cast<int>(i));
            } catch (const Error& e) {
                EXPECT_EQ(e.number(), db::kUnrecognizedFormat);
            }
        }
    }
}

}  // namespace
}  // namespace scandrel::db
#endif
