// The host goes on writing its database while we read it: new pages at the end,
// pages caught half written, a file cut short or replaced. A healthy file is never
// reported damaged for it, and nothing crashes.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <mutex>

#include "db/database.h"
#include "db/jet/engine.h"
#include "db/jet/query.h"
#include "db/tests/host_edits.h"
#include "testing/jet_test_files.h"
#include "testing/waiting_source.h"
#include "text/error.h"

namespace scandrel::db {
namespace {

using testing::errorNumberOf;
using testing::kName;
using testing::kNotes;
using testing::TempFolder;
using testing::writeClinic;

// A cache of a few pages, smaller than the file: pages are read one at a time, as
// they are first asked for, as in a database larger than the memory budget.
constexpr size_t kFewPages = 4 * testing::kJet4Page;

TEST(HostWrites, AMemoMovedToANewPageAtTheEndIsRead) {
    TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    writeClinic(path, 3);
    const Database db = Database::open(path);
    testing::applyEdits(path, testing::moveMemoToNewPage(testing::readAll(path), "zzantigazz", "zznovazz mais longa"));

    Recordset rs = db.openRecordset(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente");
    EXPECT_EQ(rs.field(kName), Value::text(u"ANA"));
    EXPECT_EQ(rs.field(kNotes), Value::text(u"zznovazz mais longa"));
    EXPECT_EQ(rs.recordCount(), 3);
}

TEST(HostWrites, PagesTheHostAddsToATableAreListed) {
    TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    writeClinic(path, 4);
    const Database db = Database::open(path);
    EXPECT_EQ(db.openRecordset(u"SELECT * FROM Anamneses").recordCount(), 0);  // the maps of owned pages are read

    const auto engine = jet::Engine::open(path);
    const auto patients = engine->table(u"Pacientes");
    const std::vector<uint8_t> file = testing::readAll(path);
    testing::applyEdits(path, testing::addCopyOfDataPage(file, testing::firstDataPage(file, patients->tdefPage),
                                                         patients->usageMap));
    Recordset rs = db.openRecordset(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente");
    EXPECT_EQ(rs.recordCount(), 8);
    EXPECT_EQ(rs.field(kNotes), Value::text(u"zzantigazz"));
}

// Whatever the host does to the file, every value read is data or 3343; `ahead`:
// the rows ahead asked for as the search asks for them.
void expectDataOr3343(Recordset& rs, bool ahead = false) {
    for (; !rs.eof(); rs.moveNext())
        for (size_t i = 0; i < rs.columns().size(); ++i) {
            if (ahead) rs.readAhead(16, {});
            const int number = errorNumberOf([&] { rs.value(static_cast<int>(i)); });
            ASSERT_TRUE(number == 0 || number == db::kUnrecognizedFormat) << number;
        }
}

// Locally, the file within the budget or larger (its memos' pages then passed on,
// not kept), and on a network through the file's copy, the rows ahead read before
// they are asked for.
TEST(HostWrites, AFileCutShortOrReplacedUnderTheReader) {
    TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    enum class Where { Fits, Larger, Network };
    for (const Where where : {Where::Fits, Where::Larger, Where::Network}) {
        SCOPED_TRACE(static_cast<int>(where));
        const bool remote = where == Where::Network;
        writeClinic(path, 400);
        const auto size = std::filesystem::file_size(path);
        const Database db =
            where == Where::Fits ? Database::open(path)
            : remote ? Database::fromSource(std::make_unique<testing::WaitingSource>(jet::openFileSource(path),
                                                                                     std::chrono::microseconds(0)),
                                            path.u16string(), kFewPages)
                     : Database::fromSource(jet::openFileSource(path), path.u16string(), kFewPages);
        Recordset rs = db.openRecordset(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente");
        std::filesystem::resize_file(path, size / 3);
        expectDataOr3343(rs, remote);
        const int number = errorNumberOf([&] { db.openRecordset(u"SELECT * FROM Convenios ORDER BY Conv_ln_Counter"); });
        EXPECT_TRUE(number == 0 || number == db::kUnrecognizedFormat) << number;
        std::filesystem::resize_file(path, 0);
        rs.moveFirst();
        expectDataOr3343(rs, remote);
    }
    writeClinic(path, 400);
    {
        const Database db = Database::open(path);
        Recordset rs = db.openRecordset(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente");
        const auto other = folder.path() / "outra.mdb";
        writeClinic(other, 2);
        std::error_code replaced;
        std::filesystem::rename(other, path, replaced);  // refused on some systems while the file is open
        expectDataOr3343(rs);
    }
}

// The file's bytes in memory, handed out by reads a host may step in before: before
// a read, for each page it covers (the cache reads a block of pages at once where
// the file fits), `beforeRead` with the page's place, and the page's read counted.
// Remote when asked: then a file larger than the cache is searched through its copy,
// read from several threads.
class HostSource final : public jet::ByteSource {
public:
    explicit HostSource(std::vector<uint8_t> bytes, bool remote = false) : bytes_(std::move(bytes)), remote_(remote) {}
    std::function<void(uint64_t at, std::vector<uint8_t>& bytes)> beforeRead;
    std::map<uint64_t, int>* reads = nullptr;

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    void edit(const std::vector<testing::FileEdit>& edits) {
        const std::lock_guard lock(mutex_);
        for (const testing::FileEdit& e : edits) {
            const auto end = static_cast<size_t>(e.at) + e.bytes.size();
            if (bytes_.size() < end) bytes_.resize(end);
            std::copy(e.bytes.begin(), e.bytes.end(), bytes_.begin() + static_cast<long>(e.at));
        }
    }

    uint64_t size() const override { return known_; }
    uint64_t currentSize() override { return known_ = bytes_.size(); }
    bool remote() const override { return remote_; }
    bool read(uint64_t offset, uint8_t* destination, size_t count) override {
        const std::lock_guard lock(mutex_);
        for (uint64_t page = offset; page < offset + count; page += testing::kJet4Page) {
            if (reads) ++(*reads)[page];
            if (beforeRead) beforeRead(page, bytes_);
        }
        if (offset > bytes_.size() || count > bytes_.size() - offset) return false;
        std::copy_n(bytes_.begin() + static_cast<long>(offset), count, destination);
        return true;
    }

private:
    std::vector<uint8_t> bytes_;
    uint64_t known_ = bytes_.size();
    bool remote_;
    std::mutex mutex_;
};

struct ScriptedClinic {
    // Before the engine: the file's copy may still be reading when the engine goes.
    std::map<uint64_t, int> reads;
    std::shared_ptr<jet::Engine> engine;
    HostSource* source = nullptr;
    uint64_t dataPageAt = 0;

    // `atDataPage`, when given, is what the host does to the file as its patients' data
    // page (at that place) is read, from the first read on: on a network the file's
    // copy starts with it.
    explicit ScriptedClinic(int patients, const std::u16string& notes = u"zzantigazz",
                            size_t cacheBytes = jet::Engine::kCacheBudget, bool remote = false,
                            std::function<void(uint64_t at, std::vector<uint8_t>& bytes)> atDataPage = {}) {
        TempFolder folder;
        const auto path = folder.path() / "clinica.mdb";
        writeClinic(path, patients, notes);
        const std::vector<uint8_t> file = testing::readAll(path);
        dataPageAt = uint64_t{testing::firstDataPage(file, jet::Engine::open(path)->table(u"Pacientes")->tdefPage)} *
                     testing::kJet4Page;
        auto owned = std::make_unique<HostSource>(file, remote);
        source = owned.get();
        source->reads = &reads;
        if (atDataPage)
            source->beforeRead = [at = dataPageAt, host = std::move(atDataPage)](uint64_t page, std::vector<uint8_t>& bytes) {
                if (page == at) host(at, bytes);
            };
        engine = jet::Engine::create(std::move(owned), u"clinica.mdb", cacheBytes);
    }
};

// Locally, and on a network from the file's copy (its chunks fetched again after the
// fresh look).
TEST(HostWrites, APageCaughtHalfWrittenIsReadAgainOnce) {
    for (const bool remote : {false, true}) {
        SCOPED_TRACE(remote);
        // The first read of the patients' page finds it half written; the host is done by the next.
        std::vector<uint8_t> whole;
        ScriptedClinic clinic(5, u"zzantigazz", kFewPages, remote, [&](uint64_t at, std::vector<uint8_t>& bytes) {
            const auto page = bytes.begin() + static_cast<long>(at);
            if (whole.empty()) {
                whole.assign(page, page + testing::kJet4Page);
                std::fill(page + 8, page + 16, uint8_t{0xEE});  // a row count far past the page
            } else {
                std::copy(whole.begin(), whole.end(), page);
            }
        });
        const auto query = clinic.engine->query(u"SELECT * FROM Pacientes WHERE Paci_ln_Counter = 1");
        EXPECT_EQ(query->count(), 1u);
        EXPECT_EQ(query->value(query->table().find(kNotes)), Value::text(u"zzantigazz"));
        EXPECT_EQ(clinic.reads[clinic.dataPageAt], 2);
    }
}

TEST(HostWrites, APageDamagedForGoodIs3343AfterOneMoreRead) {
    for (const bool remote : {false, true}) {
        SCOPED_TRACE(remote);
        ScriptedClinic clinic(5, u"zzantigazz", kFewPages, remote, [](uint64_t at, std::vector<uint8_t>& bytes) {
            std::fill_n(bytes.begin() + static_cast<long>(at) + 8, 8, uint8_t{0xEE});
        });
        EXPECT_EQ(errorNumberOf([&] { clinic.engine->query(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente"); }),
                  db::kUnrecognizedFormat);
        EXPECT_EQ(clinic.reads[clinic.dataPageAt], 2);
    }
}

// The host moves a memo and gives its old page over to something else while a
// record set holds the patient's row: the stale pointer meets a page that makes no
// sense, and on the retry the row itself is read again, with its new pointer.
TEST(HostWrites, ARowHeldFromBeforeTheHostWroteIsReadAgainOnTheRetry) {
    ScriptedClinic clinic(5, u"zzantigazz" + std::u16string(400, u'y'), kFewPages);
    const auto patients = clinic.engine->query(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente");
    EXPECT_EQ(patients->value(patients->table().find(kName)), Value::text(u"ANA"));
    clinic.source->edit(testing::moveMemoToNewPage(clinic.source->bytes(), "zzantigazz", "zzdepoiszz", true));
    EXPECT_EQ(patients->value(patients->table().find(kNotes)), Value::text(u"zzdepoiszz"));
}

// A long-value chain that comes back to a row already read is damage, found at
// the first row met twice.
TEST(HostWrites, ALoopingLongValueChainIs3343) {
    ScriptedClinic clinic(2, std::u16string(3000, u'\u00e9') + u"\u0101", kFewPages);  // stored plainly: a chain of two rows
    std::vector<uint8_t> bytes = clinic.source->bytes();
    std::vector<std::pair<size_t, uint32_t>> rows;  // where a chain row starts, and the next row it names
    for (uint32_t p = 3; p < bytes.size() / testing::kJet4Page; ++p)
        if (std::memcmp(&bytes[p * testing::kJet4Page + 4], "LVAL", 4) == 0) {
            const size_t at = testing::rowStart(bytes, p, 0);
            rows.emplace_back(at, testing::get32(bytes, at));
        }
    ASSERT_EQ(rows.size(), 2u);
    const auto first = rows[0].second != 0 ? rows[0] : rows[1];  // the first names the second
    std::vector<uint8_t> self(4);
    testing::put32(self.data(), static_cast<uint32_t>(first.first / testing::kJet4Page) << 8);
    clinic.source->edit({testing::FileEdit{first.first, self}});  // now it names itself

    const auto patients = clinic.engine->query(u"SELECT * FROM Pacientes WHERE Paci_ln_Counter = 1");
    const int notes = patients->table().find(kNotes);
    EXPECT_EQ(errorNumberOf([&] { patients->value(notes); }), db::kUnrecognizedFormat);
}

// Pages read ahead count as pages kept: a fresh look at the file, or at one page,
// forgets them.
TEST(HostWrites, PagesReadAheadAreNotTrustedOnAFreshLook) {
    TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    writeClinic(path, 3);
    auto owned = std::make_unique<HostSource>(testing::readAll(path));
    HostSource& source = *owned;
    jet::PageCache pages(std::move(owned), testing::kJet4Page, 4);
    pages.alwaysReadAhead();
    pages.fetch({3, 4, 5});
    ASSERT_NE(pages.peek(4), nullptr);
    const std::vector<uint8_t> rewritten(testing::kJet4Page, 0x5A);
    source.edit({testing::FileEdit{3 * testing::kJet4Page, rewritten}, testing::FileEdit{4 * testing::kJet4Page, rewritten}});
    const auto bytes = [](const jet::PagePtr& page) { return std::vector<uint8_t>(page->begin(), page->end()); };
    EXPECT_EQ(bytes(pages.freshPage(3)), rewritten);
    pages.startOver();
    EXPECT_EQ(pages.peek(4), nullptr);
    EXPECT_EQ(bytes(pages.page(4)), rewritten);
    pages.fetch({1000});  // past the end: nothing read ahead, nothing reported
    EXPECT_EQ(pages.peek(1000), nullptr);
}

// Rows read ahead before the host moved a memo give its text before or after the
// move, never damage.
TEST(HostWrites, RowsReadAheadBeforeTheHostWroteGiveData) {
    ScriptedClinic clinic(5, u"zzantigazz" + std::u16string(400, u'y'));
    clinic.source->reads = nullptr;  // read from several threads now
    clinic.engine->alwaysReadAhead();
    const auto patients = clinic.engine->query(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente");
    patients->readAhead(8, {});
    clinic.source->edit(testing::moveMemoToNewPage(clinic.source->bytes(), "zzantigazz", "zzdepoiszz", true));
    const Value notes = patients->value(patients->table().find(kNotes));
    EXPECT_TRUE(notes == Value::text(u"zzdepoiszz") || notes == Value::text(u"zzantigazz" + std::u16string(400, u'y')))
        << notes.toText().size();
}

}  // namespace
}  // namespace scandrel::db
