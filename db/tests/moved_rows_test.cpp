// A row an update moved to another page keeps its place in the table: it is read
// in the order of its first slot, which points at where its data now lies, and is
// not listed again where it lies, however that place is marked.
#include <gtest/gtest.h>

#include <vector>

#include "db/database.h"
#include "db/jet/engine.h"
#include "db/tests/host_edits.h"
#include "db/writer/jet_writer.h"
#include "testing/jet_test_files.h"

namespace scandrel::db {
namespace {

using testing::kJet4Page;

constexpr size_t kRowCountAt = 12;
constexpr size_t kSlotsAt = 14;
constexpr uint16_t kDeleted = 0x8000;
constexpr uint16_t kMoved = 0x4000;

struct MovedRows : ::testing::Test {
    void SetUp() override {
        const auto path = folder.path() / "linhas.mdb";
        {
            writer::JetWriter writer(path, {{u"Linhas", {{u"id", ColumnType::Long}, {u"nome", ColumnType::Text, 200}}}});
            for (int id = 1; id <= 90; ++id)
                writer.addRow(0, {Value::longValue(id), Value::text(std::u16string(150, static_cast<char16_t>(u'a' + id % 26)))});
            writer.finish();
        }
        file = original = testing::readAll(path);
        const uint32_t tdef = jet::Engine::fromBytes(file, u"linhas")->table(u"Linhas")->tdefPage;
        for (uint32_t p = 1; p < file.size() / kJet4Page; ++p)
            if (file[p * kJet4Page] == 0x01 && testing::get32(file, p * kJet4Page + 4) == tdef) pages.push_back(p);
        ASSERT_GE(pages.size(), 3u);
        for (const uint32_t p : pages) {
            std::vector<int32_t> ids;
            for (uint32_t slot = 0; slot < testing::get16(file, p * kJet4Page + kRowCountAt); ++slot)
                ids.push_back(static_cast<int32_t>(testing::get32(file, testing::rowStart(file, p, slot) + 2)));
            idsByPage.push_back(ids);
        }
    }

    size_t slotAt(uint32_t page, uint32_t slot) const { return page * kJet4Page + kSlotsAt + 2 * slot; }

    // The third row of the first page moves to where the first row of the second
    // page lies (its data there, its first slot pointing at it); `markedThere`
    // flags the place it now lies the way the desktop product does.
    void moveRow(bool markedThere) {
        const size_t from = testing::rowStart(file, pages[0], 2);
        testing::put32(&file[from], pages[1] << 8);
        testing::put16(&file[slotAt(pages[0], 2)], testing::get16(file, slotAt(pages[0], 2)) | kMoved);
        if (markedThere) testing::put16(&file[slotAt(pages[1], 0)], testing::get16(file, slotAt(pages[1], 0)) | kDeleted);
    }

    // The ids as the table lists them after the move.
    std::vector<int32_t> expected() const {
        std::vector<int32_t> ids = idsByPage[0];
        ids[2] = idsByPage[1][0];
        ids.insert(ids.end(), idsByPage[1].begin() + 1, idsByPage[1].end());
        for (size_t p = 2; p < idsByPage.size(); ++p) ids.insert(ids.end(), idsByPage[p].begin(), idsByPage[p].end());
        return ids;
    }

    static std::vector<int32_t> idsOf(Recordset rs) {
        std::vector<int32_t> ids;
        for (; !rs.eof(); rs.moveNext()) ids.push_back(static_cast<int32_t>(rs.field(u"id").asInteger()));
        return ids;
    }

    testing::TempFolder folder;
    std::vector<uint8_t> original, file;
    std::vector<uint32_t> pages;                 // of the table, in file order
    std::vector<std::vector<int32_t>> idsByPage;  // in slot order
};

TEST_F(MovedRows, AreListedInTheirFirstSlotOnlyWhereverTheyNowLie) {
    for (const bool markedThere : {true, false}) {
        SCOPED_TRACE(markedThere ? "marked where it lies" : "not marked where it lies");
        file = original;
        moveRow(markedThere);
        const Database db = Database::fromBytes(file);
        EXPECT_EQ(idsOf(db.openRecordset(u"SELECT * FROM Linhas")), expected());
        // Lookups and orders are made from the same list: the row once, in its place.
        const int32_t moved = idsByPage[1][0];
        EXPECT_EQ(db.openRecordset(u"SELECT * FROM Linhas WHERE id = " + Value::longValue(moved).toText()).recordCount(), 1);
        EXPECT_EQ(db.openRecordset(u"SELECT * FROM Linhas ORDER BY id").recordCount(),
                  static_cast<int32_t>(expected().size()));
    }
}

}  // namespace
}  // namespace scandrel::db
