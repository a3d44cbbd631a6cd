// Paths that name no plain file on a disk (a folder, a FIFO, a device, a socket, a
// Windows device or pipe) are refused by their type or name at once, whether the
// host names them or a link does: nothing is read from them, nothing waits on them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "db/database.h"
#include "db/jet/device_names.h"
#include "db/writer/jet_writer.h"
#include "testing/jet_test_files.h"

namespace scandrel::db {
namespace {

using testing::errorNumberOf;
using testing::TempFolder;

// A front-end whose table "Pacientes" is a link to `backEnd`.
std::filesystem::path linkingTo(const std::filesystem::path& folder, const std::u16string& backEnd) {
    const std::filesystem::path path = folder / "front.mdb";
    writer::JetWriter file(path, {{u"Local", {{u"Nota", ColumnType::Text, 50}}}});
    file.addLink({u"Pacientes", backEnd, {}, u"Pacientes"});
    file.finish();
    return path;
}

TEST(FileTypes, WindowsDeviceAndPipeNamesAreKnownBySpellingAlone) {
    for (const std::u16string_view path :
         {u"\\\\.\\pipe\\x", u"//./pipe/x", u"\\\\?\\C:\\dados\\clinica.mdb", u"\\??\\C:\\clinica.mdb",
          u"\\\\.\\PhysicalDrive0", u"\\\\servidor\\PIPE\\clinica", u"\\\\*\\mailslot\\m", u"COM1", u"com9.mdb",
          u"C:\\dados\\NUL", u"C:\\dados\\nul.mdb", u"C:\\dados\\Con .mdb", u"D:\\x\\aux.", u"LPT3. . ",
          u"C:\\dados\\prn.tar.gz", u"c:/dados/conin$", u"CONOUT$", u"C:\\x\\COM\u00B9", u"\\\\srv\\d\\lpt1.mdb",
          u"nul:"})
        EXPECT_TRUE(jet::namesWindowsDevice(path)) << toUtf8(path);
    for (const std::u16string_view path :
         {u"C:\\dados\\clinica.mdb", u"\\\\servidor\\dados\\clinica.mdb", u"clinica.mdb", u"C:\\console.mdb",
          u"C:\\dados\\com10.mdb", u"C:\\nulo\\auxiliar.mdb", u"C:\\COM0.mdb", u"..\\dados\\lpt.mdb",
          u"\\\\servidor\\pipes\\x.mdb", u"C:\\dados\\clinica.mdb:fluxo", u"/srv/aux/clinica.mdb", u""})
        EXPECT_FALSE(jet::namesWindowsDevice(path)) << toUtf8(path);
}

TEST(FileTypes, BackEndsSpeltAsWindowsDevicesOrPipesAreRefusedOnEverySystem) {
    TempFolder folder;
    for (const std::u16string path : {u"\\\\.\\pipe\\scandrel-teste", u"COM1", u"\\\\.\\NUL", u"C:\\dados\\nul.mdb",
                                      u"\\\\?\\C:\\dados\\clinica.mdb", u"\\\\servidor\\pipe\\clinica"}) {
        const Database front = Database::open(linkingTo(folder.path(), path));
        EXPECT_EQ(errorNumberOf([&] { front.openRecordset(u"SELECT * FROM Pacientes"); }), db::kUnrecognizedFormat)
            << toUtf8(path);
    }
}

#ifndef _WIN32
// The error `work` ends with, waited for at most ten seconds; past them, a writer
// opens the FIFO so that the read that waits on it ends, and the test fails.
int32_t promptError(const std::filesystem::path& fifo, const std::function<void()>& work) {
    std::future<int32_t> result = std::async(std::launch::async, [&] { return errorNumberOf(work); });
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "still waiting on " << fifo << " after ten seconds";
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) ::close(writer);
    }
    return result.get();
}

TEST(FileTypes, AFifoDevicesAndFoldersAreRefusedAtOnceAsTheDatabaseOrAsABackEnd) {
    TempFolder folder;
    const std::filesystem::path fifo = folder.path() / "clinica.mdb";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(promptError(fifo, [&] { Database::open(fifo); }), db::kUnrecognizedFormat);
    const Database front = Database::open(linkingTo(folder.path(), fifo.u16string()));
    EXPECT_EQ(promptError(fifo, [&] { front.openRecordset(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente"); }),
              db::kUnrecognizedFormat);
    EXPECT_EQ(promptError(fifo, [&] { front.columns(u"Pacientes"); }), db::kUnrecognizedFormat);

    for (const char* device : {"/dev/null", "/dev/zero", "/dev/tty"}) {
        if (!std::filesystem::exists(device)) continue;
        const std::string described = testing::describedError([&] { Database::open(device); });
        EXPECT_THAT(described, ::testing::StartsWith("3343: ")) << device;
        EXPECT_THAT(described, ::testing::HasSubstr(device));
    }
    const Database toFolder = Database::open(linkingTo(folder.path(), folder.path().u16string()));
    EXPECT_EQ(errorNumberOf([&] { toFolder.openRecordset(u"SELECT * FROM Pacientes"); }), db::kUnrecognizedFormat);
}
#else
TEST(FileTypes, DevicesPipesAndFoldersAreRefusedAsTheDatabase) {
    TempFolder folder;
    const std::vector<std::u16string> paths = {u"\\\\.\\pipe\\scandrel-teste", u"COM1", u"\\\\.\\NUL",
                                               (folder.path() / "nul.mdb").u16string(),
                                               u"\\\\?\\" + (folder.path() / "x.mdb").u16string()};
    for (const std::u16string& path : paths) {
        const std::string described = testing::describedError([&] { Database::open(std::filesystem::path(path)); });
        EXPECT_THAT(described, ::testing::StartsWith("3343: ")) << toUtf8(path);
    }
    EXPECT_EQ(errorNumberOf([&] { Database::open(folder.path()); }), db::kUnrecognizedFormat);
    const Database front = Database::open(linkingTo(folder.path(), folder.path().u16string()));
    EXPECT_EQ(errorNumberOf([&] { front.openRecordset(u"SELECT * FROM Pacientes"); }), db::kUnrecognizedFormat);
}
#endif

}  // namespace
}  // namespace scandrel::db
