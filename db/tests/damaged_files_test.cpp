// Files that are missing, unreadable, not databases, cut short or scribbled over:
// always an error with the engine's number, never a crash or a hang.
#include <gtest/gtest.h>

#include <random>

#include "db/database.h"
#include "testing/jet_test_files.h"
#include "text/error.h"

namespace scandrel::db {
namespace {

using testing::TempFolder;

int openError(const std::filesystem::path& path) {
    try {
        Database::open(path);
    } catch (const Error& e) {
        return e.number();
    }
    return 0;
}

// Reads every value of every table; returns the error number met, 0 for none.
int readEverything(const Database& db) {
    try {
        for (const std::u16string& table : db.tableNames()) {
            Recordset rs = db.openRecordset(u"SELECT * FROM [" + table + u"]");
            for (int rows = 0; !rs.eof() && rows < 100000; rs.moveNext(), ++rows)
                for (size_t i = 0; i < rs.columns().size(); ++i) rs.value(static_cast<int>(i));
            if (!rs.columns().empty()) {
                const std::u16string first = rs.columns()[0].name;
                db.openRecordset(u"SELECT * FROM [" + table + u"] ORDER BY [" + first + u"]");
                if (rs.columns()[0].type == ColumnType::Long)
                    db.openRecordset(u"SELECT * FROM [" + table + u"] WHERE [" + first + u"] = 1");
            }
        }
    } catch (const Error& e) {
        return e.number();
    }
    return 0;
}

TEST(DamagedFiles, MissingFileOrFolderIs3024) {
    TempFolder folder;
    EXPECT_EQ(openError(folder.path() / "absent.mdb"), db::kFileNotFound);
    EXPECT_EQ(openError(folder.path() / "no-folder" / "absent.mdb"), db::kFileNotFound);
    EXPECT_EQ(openError(""), db::kFileNotFound);
    try {
        Database::open(folder.path() / "absent.mdb");
    } catch (const Error& e) {
        EXPECT_NE(e.description().find(u"absent.mdb"), std::u16string::npos);
    }
}

TEST(DamagedFiles, AFolderIsNotADatabaseFileAndTheMessageNamesIt) {
    TempFolder folder;
    const std::string described = testing::describedError([&] { Database::open(folder.path()); });
    EXPECT_EQ(described.rfind("3343: ", 0), 0u) << described;
    EXPECT_NE(described.find(folder.path().string()), std::string::npos) << described;
    EXPECT_NE(described.find("pasta"), std::string::npos) << described;
}

TEST(DamagedFiles, ThingsThatAreNotDatabasesAre3343) {
    TempFolder folder;
    const auto file = folder.path() / "x.mdb";
    testing::writeAll(file, {});
    EXPECT_EQ(openError(file), db::kUnrecognizedFormat);
    testing::writeAll(file, std::vector<uint8_t>(10000, 0x41));
    EXPECT_EQ(openError(file), db::kUnrecognizedFormat);
    try {
        Database::open(file);
    } catch (const Error& e) {
        EXPECT_NE(e.description().find(u"x.mdb"), std::u16string::npos);
    }
}

TEST(DamagedFiles, OtherCodePagesOfOldFilesAreRefused) {
    SCANDREL_NEED_SAMPLE("testV1997.mdb");
    std::vector<uint8_t> bytes = testing::readAll(samplePath);
    bytes[0x3C] ^= 0x01;  // the code page lies in the header's hidden part; any change alters it
    int number = 0;
    try {
        Database::fromBytes(bytes);
    } catch (const Error& e) {
        number = e.number();
    }
    EXPECT_EQ(number, db::kUnrecognizedFormat);
}

TEST(DamagedFiles, TruncatedCopiesGiveDataOr3343) {
    for (const char* name : {"testV2000.mdb", "testV1997.mdb", "test2V2000.mdb", "testV2007.accdb"}) {
        SCANDREL_NEED_SAMPLE(name);
        const std::vector<uint8_t> whole = testing::readAll(samplePath);
        TempFolder folder;
        const auto file = folder.path() / "cut.mdb";
        for (size_t size : {size_t{0}, size_t{100}, size_t{2048}, size_t{4096}, size_t{3 * 4096},
                            whole.size() / 2, whole.size() - 1}) {
            testing::writeAll(file, std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(size)));
            try {
                const int number = readEverything(Database::open(file));
                EXPECT_TRUE(number == 0 || number == db::kUnrecognizedFormat) << name << " " << size;
            } catch (const Error& e) {
                EXPECT_EQ(e.number(), db::kUnrecognizedFormat) << name << " " << size;
            }
        }
    }
}

// Random bytes written over random places of real files. Whatever comes out must
// be data or 3343 (or a plain engine error such as a type mismatch in a lookup).
TEST(DamagedFiles, ScribbledCopiesNeverCrash) {
    std::mt19937 random(20240611);
    int opened = 0;
    for (const char* name : {"testV2000.mdb", "testV1997.mdb", "test2V2000.mdb", "overflowTestV2000.mdb",
                             "testUnicodeCompV2003.mdb", "testV2007.accdb", "fixedNumericTestV2003.mdb"}) {
        SCANDREL_NEED_SAMPLE(name);
        const std::vector<uint8_t> whole = testing::readAll(samplePath);
        const size_t pageSize = whole[0x14] == 0 ? 2048 : 4096;
        for (int round = 0; round < 60; ++round) {
            std::vector<uint8_t> bytes = whole;
            // Aim at the first pages (header, catalog, definitions) most of the time.
            const size_t span = round % 3 == 0 ? bytes.size() : std::min(bytes.size(), pageSize * 24);
            const int hits = 1 + static_cast<int>(random() % 40);
            for (int h = 0; h < hits; ++h) bytes[random() % span] = static_cast<uint8_t>(random());
            try {
                const Database db = Database::fromBytes(std::move(bytes));
                ++opened;
                const int number = readEverything(db);
                EXPECT_TRUE(number == 0 || number == db::kUnrecognizedFormat || number == 3464 ||
                            number == db::kFieldNotFound || number == db::kTableNotFound ||
                            (number >= 3000 && number < 3200))
                    << name << " round " << round << " error " << number;
            } catch (const Error& e) {
                EXPECT_EQ(e.number(), db::kUnrecognizedFormat) << name << " round " << round;
            }
        }
    }
    EXPECT_GT(opened, 0);
}

}  // namespace
}  // namespace scandrel::db
