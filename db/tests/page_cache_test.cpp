// A database that fits the memory budget is read once, in blocks of the file: every
// page read once, in few reads. A page the host was writing when its block was read
// is read again when it fails its checks; a file the host grows is read afresh.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "db/database.h"
#include "db/jet/engine.h"
#include "db/jet/page_cache.h"
#include "db/jet/query.h"
#include "db/jet/table_def.h"
#include "db/tests/host_edits.h"
#include "clinic/clinic_schema.h"
#include "db/writer/clinic_writer.h"
#include "testing/jet_test_files.h"

namespace scandrel::db {
namespace {

using testing::kJet4Page;
using testing::TempFolder;

// The file in memory; counts how often each page is read, and lets the host step
// in before a read of a page. Reads are taken one at a time: on a network the file's
// copy reads from several threads at once.
class CountingSource final : public jet::ByteSource {
public:
    explicit CountingSource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::function<void(uint64_t page, std::vector<uint8_t>& bytes)> beforeRead;
    std::map<uint64_t, int> pageReads;  // by page number
    int calls = 0;
    uint64_t bytesRead = 0;
    bool onANetwork = false;

    // The host adds pages at the end of the file.
    void append(const std::vector<uint8_t>& pages) { bytes_.insert(bytes_.end(), pages.begin(), pages.end()); }

    uint64_t size() const override { return bytes_.size(); }
    uint64_t currentSize() override { return bytes_.size(); }
    bool remote() const override { return onANetwork; }
    bool read(uint64_t offset, uint8_t* destination, size_t count) override {
        const std::lock_guard lock(mutex_);
        ++calls;
        bytesRead += count;
        for (uint64_t at = offset / kJet4Page * kJet4Page; at < offset + count; at += kJet4Page) {
            ++pageReads[at / kJet4Page];
            if (beforeRead) beforeRead(at / kJet4Page, bytes_);
        }
        if (offset > bytes_.size() || count > bytes_.size() - offset) return false;
        std::copy_n(bytes_.begin() + static_cast<long>(offset), count, destination);
        return true;
    }

private:
    std::mutex mutex_;
    std::vector<uint8_t> bytes_;
};

// A file whose reads may run alongside the engine, as a file's do: counted under a
// lock, each as slow as asked, so that the engine's own work meets reads under way. Notes
// reads from other threads, and a look at the size or a start over while one was
// under way (which the engine must never make).
class SharedSource final : public jet::ByteSource {
public:
    explicit SharedSource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::atomic<int> calls{0};
    std::atomic<int> readsElsewhere{0};
    std::atomic<bool> overlapped{false};
    std::chrono::milliseconds slowness{0};  // of each read
    std::map<uint64_t, int> pageReads;  // by page number, under the lock

    uint64_t size() const override {
        const std::lock_guard lock(mutex_);
        return bytes_.size();
    }
    uint64_t currentSize() override {
        if (underWay_ > 0) overlapped = true;
        return size();
    }
    void startOver() override {
        if (underWay_ > 0) overlapped = true;
    }
    bool readsAlongside() const override { return true; }
    bool read(uint64_t offset, uint8_t* destination, size_t count) override {
        ++underWay_;
        if (std::this_thread::get_id() != owner_) ++readsElsewhere;
        if (slowness.count() > 0) std::this_thread::sleep_for(slowness);
        bool whole = false;
        {
            const std::lock_guard lock(mutex_);
            ++calls;
            for (uint64_t at = offset / kJet4Page; at < (offset + count + kJet4Page - 1) / kJet4Page; ++at) ++pageReads[at];
            whole = offset <= bytes_.size() && count <= bytes_.size() - offset;
            if (whole) std::copy_n(bytes_.begin() + static_cast<long>(offset), count, destination);
        }
        --underWay_;
        return whole;
    }
    // The host writes a page, or adds pages at the end.
    void fill(uint64_t page, uint8_t byte) {
        const std::lock_guard lock(mutex_);
        std::fill_n(bytes_.begin() + static_cast<long>(page * kJet4Page), kJet4Page, byte);
    }
    void append(const std::vector<uint8_t>& pages) {
        const std::lock_guard lock(mutex_);
        bytes_.insert(bytes_.end(), pages.begin(), pages.end());
    }

private:
    mutable std::mutex mutex_;
    std::vector<uint8_t> bytes_;
    std::atomic<int> underWay_{0};
    const std::thread::id owner_ = std::this_thread::get_id();
};

// A file of `pages` pages, each filled with its own number's low byte.
std::vector<uint8_t> numberedPages(uint32_t pages) {
    std::vector<uint8_t> bytes(size_t{pages} * kJet4Page);
    for (uint32_t p = 0; p < pages; ++p)
        std::fill_n(bytes.begin() + static_cast<long>(p * kJet4Page), kJet4Page, static_cast<uint8_t>(p));
    return bytes;
}

TEST(PageCache, AFileThatFitsIsReadInBlocksEachPageOnce) {
    auto owned = std::make_unique<CountingSource>(numberedPages(150));
    CountingSource& source = *owned;
    jet::PageCache pages(std::move(owned), kJet4Page, 200);
    ASSERT_TRUE(pages.fileFits());
    EXPECT_FALSE(pages.plansReads());
    for (const uint32_t p : {70u, 3u, 149u, 64u, 0u, 127u, 128u, 71u, 5u, 100u})
        EXPECT_EQ((*pages.page(p))[1], static_cast<uint8_t>(p)) << p;
    // Pages 64 to 127, 0 to 63, 128 to 149: one read each, nothing read twice.
    EXPECT_EQ(source.calls, 3);
    EXPECT_EQ(source.bytesRead, 150 * kJet4Page);
    for (uint32_t p = 0; p < 150; ++p) {
        EXPECT_EQ(source.pageReads[p], 1) << p;
        ASSERT_NE(pages.peek(p), nullptr);
    }
}

// A block's pages share its memory, one piece for the block, while the budget has
// room for all of them; with no such room each page is a copy of its own (so that a
// page let go to make room gives its memory back), read as well.
TEST(PageCache, ABlocksPagesShareItsMemoryWhileTheBudgetHasRoomForTheBlock) {
    jet::PageCache roomy(std::make_unique<CountingSource>(numberedPages(64)), kJet4Page, 64);
    const jet::PagePtr first = roomy.page(0);
    for (uint32_t p = 1; p < 64; ++p) {
        const jet::PagePtr page = roomy.page(p);
        EXPECT_EQ(page->data(), first->data() + size_t{p} * kJet4Page) << p;
        EXPECT_EQ(page->size(), kJet4Page);
    }
    auto budget = std::make_shared<jet::PageBudget>(32 * kJet4Page);
    jet::PageCache tight(std::make_unique<CountingSource>(numberedPages(64)), kJet4Page, 64, budget);
    ASSERT_TRUE(tight.fileFits());
    const jet::PagePtr held = tight.page(0);
    for (uint32_t p = 1; p < 64; ++p) EXPECT_EQ((*tight.page(p))[kJet4Page - 1], static_cast<uint8_t>(p)) << p;
    EXPECT_LE(budget->used(), 32 * kJet4Page);
    EXPECT_EQ((*held)[1], 0);
}

TEST(PageCache, ABlockLeavesOutThePagesKeptAtItsEnds) {
    auto owned = std::make_unique<CountingSource>(numberedPages(64));
    CountingSource& source = *owned;
    jet::PageCache pages(std::move(owned), kJet4Page, 64);
    pages.freshPage(0);   // read alone
    pages.freshPage(63);
    pages.page(10);       // the block, less its two ends
    EXPECT_EQ(source.calls, 3);
    EXPECT_EQ(source.pageReads[0], 1);
    EXPECT_EQ(source.pageReads[63], 1);
    EXPECT_EQ(source.bytesRead, 64 * kJet4Page);
}

TEST(PageCache, AFileLargerThanTheBudgetIsReadAPageAtATime) {
    auto owned = std::make_unique<CountingSource>(numberedPages(150));
    CountingSource& source = *owned;
    jet::PageCache pages(std::move(owned), kJet4Page, 100);
    EXPECT_FALSE(pages.fileFits());
    EXPECT_FALSE(pages.plansReads());  // not on a network
    for (uint32_t p = 0; p < 150; p += 10) EXPECT_EQ((*pages.page(p))[0], static_cast<uint8_t>(p));
    EXPECT_EQ(source.calls, 15);
    EXPECT_EQ(source.bytesRead, 15 * kJet4Page);
}

// Pages read alongside are read once, on a thread of the cache's own, and taken in
// when a page not at hand is asked for; from a source that doesn't allow it, nothing
// is read ahead of the asking.
TEST(PageCache, PagesReadAlongsideAreReadOnceElsewhereAndTakenWhenAskedFor) {
    auto owned = std::make_unique<SharedSource>(numberedPages(150));
    SharedSource& source = *owned;
    jet::PageCache pages(std::move(owned), kJet4Page, 10);
    std::vector<uint32_t> wanted = {40, 200};  // one past the end, left out
    for (uint32_t p = 20; p < 30; ++p) wanted.push_back(p);
    pages.fetchAlongside(wanted);
    EXPECT_EQ((*pages.page(25))[1], 25);
    ASSERT_NE(pages.peek(40), nullptr);
    for (uint32_t p = 20; p < 30; ++p) EXPECT_EQ((*pages.page(p))[1], static_cast<uint8_t>(p)) << p;
    EXPECT_EQ((*pages.passingPage(40))[1], 40);
    EXPECT_EQ(source.calls, 2);  // pages 20 to 29 in one read, 40 in another
    EXPECT_EQ(source.readsElsewhere, 2);

    auto counted = std::make_unique<CountingSource>(numberedPages(150));
    CountingSource& local = *counted;
    jet::PageCache alone(std::move(counted), kJet4Page, 10);
    alone.fetchAlongside(wanted);
    EXPECT_EQ(local.calls, 0);
    EXPECT_EQ((*alone.page(25))[1], 25);
}

// The host writes while pages are read alongside: a fresh look at the file waits for
// the reads under way and lets what they read go; so does a look at its size, and
// the cache's end.
TEST(PageCache, PagesReadAlongsideAreNotTrustedOnAFreshLook) {
    auto owned = std::make_unique<SharedSource>(numberedPages(20));
    SharedSource& source = *owned;
    source.slowness = std::chrono::milliseconds(2);
    auto pages = std::make_unique<jet::PageCache>(std::move(owned), kJet4Page, 4);
    pages->fetchAlongside({3, 4, 5, 9, 11, 13});
    source.fill(4, 0x5A);
    pages->startOver();
    EXPECT_EQ(pages->peek(4), nullptr);
    EXPECT_EQ((*pages->page(4))[7], 0x5A);

    pages->fetchAlongside({6, 8, 10, 12, 14});
    source.append(numberedPages(22));
    EXPECT_EQ(pages->refreshPageCount(), 42u);
    EXPECT_EQ(pages->peek(6), nullptr);  // the file changed size: nothing kept

    EXPECT_FALSE(source.overlapped);
    pages->fetchAlongside({1, 7, 15, 17, 19});
    pages.reset();  // the cache, and its source, end with reads under way
}

// A table larger than a batch of pages, in a file larger than the budget: it is
// listed with each batch read alongside the rows of the one before, every page of it
// read once, and its rows come in name order as they would without.
TEST(PageCache, ATableLargerThanABatchIsListedWithItsNextPagesReadAlongside) {
    TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    constexpr int kPatients = 1100;  // a row a page: over a thousand pages
    std::vector<std::u16string> names;
    {
        writer::ClinicWriter clinic(path);
        const std::u16string wide(250, u'x');
        for (int i = 0; i < kPatients; ++i) {
            names.push_back(u"PACIENTE " + Value::longValue((i * 7919) % kPatients).toText());
            writer::ClinicRow fields = {{std::u16string(clinic::pacientes::kNomePaciente), Value::text(names.back())}};
            for (const auto name : {clinic::pacientes::kLogradouroPaciente, clinic::pacientes::kComplementoPaciente,
                                    clinic::pacientes::kBairroPaciente, clinic::pacientes::kCidadePaciente,
                                    clinic::pacientes::kEmail, clinic::pacientes::kEmailAlt,
                                    clinic::pacientes::kEmailMed, clinic::pacientes::kIndicadoPorPaciente,
                                    clinic::pacientes::kProfissaoPaciente, clinic::pacientes::kNaturalidadePaciente,
                                    clinic::pacientes::kTelefonesPaciente, clinic::pacientes::kProntuario})
                fields.emplace_back(std::u16string(name), Value::text(wide));
            clinic.add(writer::kPacientes, fields);
        }
        clinic.finish();
    }
    const std::vector<uint8_t> file = testing::readAll(path);
    auto owned = std::make_unique<SharedSource>(file);
    SharedSource& source = *owned;
    const auto engine = jet::Engine::create(std::move(owned), u"clinica.mdb", 200 * kJet4Page);
    const uint32_t tdef = engine->table(u"Pacientes")->tdefPage;
    const auto query = engine->query(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente");
    const std::map<uint64_t, int> reads = source.pageReads;  // listed and sorted
    const int elsewhere = source.readsElsewhere;  // the batches after the first
    std::vector<std::u16string> listed;
    const int name = query->table().find(clinic::pacientes::kNomePaciente);
    for (; !query->eof(); query->moveNext()) listed.push_back(query->value(name).asText());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(listed, names);

    size_t tablePages = 0;
    for (uint64_t page = 0; page < file.size() / kJet4Page; ++page) {
        const uint8_t* at = file.data() + page * kJet4Page;
        if (at[0] != 0x01 || jet::Bytes(at, kJet4Page).u32(4) != tdef) continue;
        ++tablePages;
        EXPECT_EQ(reads.count(page) != 0 ? reads.at(page) : 0, 1) << page;
    }
    ASSERT_GT(tablePages, 1024u);
    EXPECT_GT(elsewhere, 0);
    EXPECT_FALSE(source.overlapped);
}

// Where the file doesn't fit, a page of long values is read each time it is asked
// for and never takes a table page's place; held, it stays as read. Where the file
// fits, it is read with its block and kept like any other.
TEST(PageCache, PagesOfLongValuesAreNotKeptWhereTheFileDoesNotFit) {
    auto owned = std::make_unique<CountingSource>(numberedPages(150));
    CountingSource& source = *owned;
    jet::PageCache pages(std::move(owned), kJet4Page, 10);
    for (uint32_t p = 0; p < 10; ++p) pages.page(p);
    const jet::PagePtr held = pages.passingPage(120);
    for (int round = 0; round < 2; ++round)
        for (uint32_t p = 100; p < 140; ++p) EXPECT_EQ((*pages.passingPage(p))[1], static_cast<uint8_t>(p));
    EXPECT_EQ((*held)[kJet4Page - 1], 120);
    EXPECT_EQ(pages.peek(100), nullptr);
    for (uint32_t p = 0; p < 10; ++p) EXPECT_EQ((*pages.passingPage(p))[0], static_cast<uint8_t>(p));  // kept: no read
    EXPECT_EQ(source.calls, 10 + 1 + 80);  // a page a read, none with its neighbours
    EXPECT_EQ(source.bytesRead, (10 + 1 + 80) * kJet4Page);
    for (uint32_t p = 0; p < 10; ++p) EXPECT_EQ(source.pageReads[p], 1) << p;

    auto fitting = std::make_unique<CountingSource>(numberedPages(64));
    CountingSource& fits = *fitting;
    jet::PageCache all(std::move(fitting), kJet4Page, 64);
    for (int round = 0; round < 2; ++round)
        for (uint32_t p = 0; p < 64; ++p) EXPECT_EQ((*all.passingPage(p))[1], static_cast<uint8_t>(p));
    EXPECT_EQ(fits.calls, 1);
}

// A page handed out stays as it was read, whatever the cache reads after letting
// it go; the buffers of pages no one holds any more are read into again.
TEST(PageCache, APageHeldStaysAsReadWhileTheCacheReadsOthers) {
    jet::PageCache pages(std::make_unique<CountingSource>(numberedPages(12)), kJet4Page, 2);
    const jet::PagePtr held = pages.page(0);
    for (uint32_t p = 1; p < 12; ++p) EXPECT_EQ((*pages.page(p))[0], static_cast<uint8_t>(p));
    EXPECT_EQ((*held)[0], 0);
    EXPECT_EQ((*held)[kJet4Page - 1], 0);
    EXPECT_EQ(pages.peek(0), nullptr);  // let go by the cache all the same
}

// A page past the end known so far is the host's new page: the cache looks at the
// file's size again and reads it, on its own, whether the file fits or not; the
// pages past the new end are still past it.
TEST(PageCache, APageTheHostAddedIsReadAfterLookingAtTheSizeAgain) {
    for (const size_t budget : {size_t{8}, size_t{2}}) {
        auto owned = std::make_unique<CountingSource>(numberedPages(3));
        CountingSource& source = *owned;
        jet::PageCache pages(std::move(owned), kJet4Page, budget);
        EXPECT_EQ((*pages.page(2))[0], 2);
        std::vector<uint8_t> added = numberedPages(5);
        added.erase(added.begin(), added.begin() + 3 * kJet4Page);
        source.append(added);
        EXPECT_EQ((*pages.page(4))[0], 4) << budget;
        EXPECT_EQ(pages.pageCount(), 5u);
        EXPECT_EQ((*pages.page(3))[1], 3) << budget;
        EXPECT_THROW(pages.page(5), jet::CorruptFile);
    }
}

// The same for a page of long values, read once the pages before it have passed:
// looking at the size again lets go of every page passed on, not of the one read.
TEST(PageCache, ALongValuePageTheHostAddedIsReadAfterLookingAtTheSizeAgain) {
    auto owned = std::make_unique<CountingSource>(numberedPages(40));
    CountingSource& source = *owned;
    jet::PageCache pages(std::move(owned), kJet4Page, 4);
    for (uint32_t p = 10; p < 30; ++p) pages.passingPage(p);
    std::vector<uint8_t> added = numberedPages(42);
    added.erase(added.begin(), added.begin() + 40 * kJet4Page);
    source.append(added);
    EXPECT_EQ((*pages.passingPage(41))[7], 41);
    EXPECT_EQ((*pages.passingPage(40))[7], 40);
    EXPECT_EQ((*pages.passingPage(29))[7], 29);
    EXPECT_EQ(source.pageReads[29], 2);  // let go with the others when the size changed
}

// A file larger than the budget keeps as many pages as the budget holds, and its
// reads are not planned: on the machine's own disk, and on a network, where it is
// searched from its copy on this machine's disk.
TEST(PageCache, AFileOnANetworkIsSearchedFromItsCopyAsALocalOneIs) {
    TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    testing::writeClinic(path, 3);
    std::vector<uint8_t> file = testing::readAll(path);
    constexpr size_t kBudgetPages = 600;
    file.resize((kBudgetPages + 100) * kJet4Page);  // free pages at the end
    for (const bool network : {true, false}) {
        auto source = std::make_unique<CountingSource>(file);
        source->onANetwork = network;
        const auto engine = jet::Engine::create(std::move(source), u"clinica.mdb", kBudgetPages * kJet4Page);
        EXPECT_EQ(engine->pagesKept(), kBudgetPages) << network;
        EXPECT_FALSE(engine->plansReads()) << network;
    }
}

// Every value of every patient in name order, with the search's statements.
void readEverything(const Database& db) {
    Recordset patients = db.openRecordset(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente");
    for (; !patients.eof(); patients.moveNext()) {
        for (size_t i = 0; i < patients.columns().size(); ++i) patients.value(static_cast<int>(i));
        Recordset anamneses =
            db.openRecordset(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = " + patients.field(u"Paci_ln_Counter").toText());
        for (; !anamneses.eof(); anamneses.moveNext())
            for (size_t i = 0; i < anamneses.columns().size(); ++i) anamneses.value(static_cast<int>(i));
    }
}

// A front-end and its back-ends: the pages of all of them stay within one budget.
TEST(PageCache, CachesThatShareABudgetKeepNoMoreThanItTogether) {
    auto budget = std::make_shared<jet::PageBudget>(10 * kJet4Page);
    const auto kept = [](const jet::PageCache& cache) {
        size_t count = 0;
        for (uint32_t p = 0; p < cache.pageCount(); ++p) count += cache.peek(p) != nullptr;
        return count;
    };
    jet::PageCache front(std::make_unique<CountingSource>(numberedPages(8)), kJet4Page, 8, budget);
    {
        jet::PageCache back(std::make_unique<CountingSource>(numberedPages(8)), kJet4Page, 8, budget);
        for (int round = 0; round < 2; ++round) {
            for (uint32_t p = 0; p < 8; ++p) {
                EXPECT_EQ((*front.page(p))[1], p);
                EXPECT_EQ((*back.page(7 - p))[1], 7 - p);
            }
        }
        EXPECT_LE(kept(front) + kept(back), 10u);
        EXPECT_GE(kept(back), 1u);
        EXPECT_EQ(budget->used(), (kept(front) + kept(back)) * kJet4Page);
    }
    // What a cache let go of is the others' again.
    EXPECT_EQ(budget->used(), kept(front) * kJet4Page);
    for (uint32_t p = 0; p < 8; ++p) front.page(p);
    EXPECT_EQ(kept(front), 8u);
    front.startOver();
    EXPECT_EQ(budget->used(), 0u);
}

// A clinic of `patients` patients, each with a memo of `notes(i)` and an anamnesis
// of a memo of 3,000 characters that don't compress (two pages of long values).
void writeClinicWithMemos(const std::filesystem::path& path, int patients,
                          const std::function<std::u16string(int)>& notes) {
    writer::ClinicWriter clinic(path);
    for (int i = 0; i < patients; ++i) {
        const int32_t counter = clinic.add(
            writer::kPacientes, {{u"Paci_tx_NomePaciente", Value::text(u"PACIENTE " + std::u16string(1, static_cast<char16_t>(u'Z' - i % 26)))},
                                 {u"Paci_me_ObservacoesPaciente", Value::text(notes(i))}});
        clinic.add(writer::kAnamneses, {{u"Anam_ln_Paciente", Value::longValue(counter)},
                                        {u"Anam_me_TextoAnamnese", Value::text(std::u16string(3000, u'\u0101'))}});
    }
    clinic.finish();
}

TEST(PageCache, ASearchOfAClinicThatFitsReadsEachPageOnce) {
    TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    writeClinicWithMemos(path, 300, [](int i) { return std::u16string(1500 + i, u'\u00e9'); });
    const std::vector<uint8_t> file = testing::readAll(path);
    auto owned = std::make_unique<CountingSource>(file);
    CountingSource& source = *owned;
    const Database db = Database::fromSource(std::move(owned), u"clinica.mdb");
    readEverything(db);

    // The maps of the pages each table owns are read again, alone, as each table is
    // listed (the host may be adding pages), and the header was read before the
    // cache was made; every other page is read once, a block of 64 pages a read.
    const auto engine = jet::Engine::create(std::make_unique<CountingSource>(file), u"clinica.mdb");
    std::set<uint64_t> maps = {0};
    for (const char16_t* table : {u"Pacientes", u"Anamneses"}) maps.insert(engine->table(table)->usageMap >> 8);
    jet::PageCache filePages(jet::memorySource(file), kJet4Page, 8);
    maps.insert(jet::readTableDef(filePages, jet::Format{}, 2).usageMap >> 8);  // the catalog's
    const uint64_t pageCount = file.size() / kJet4Page;
    ASSERT_GT(pageCount, 200u);  // several blocks
    uint64_t readAgain = 0;
    for (const auto& [page, reads] : source.pageReads) {
        const bool map = maps.count(page) != 0 || file[static_cast<size_t>(page) * kJet4Page] == 0x05;  // a map row or bitmap
        EXPECT_TRUE(reads == 1 || map) << "page " << page << " read " << reads << " times";
        readAgain += static_cast<uint64_t>(reads - 1);
    }
    EXPECT_EQ(source.pageReads.size(), pageCount);
    EXPECT_LE(readAgain, 12u);
    EXPECT_LE(source.bytesRead, file.size() + readAgain * kJet4Page);
    EXPECT_LE(static_cast<uint64_t>(source.calls), (pageCount + 63) / 64 + readAgain);
}

// Whether the page at `page` holds long values (its header says "LVAL").
bool longValuePage(const std::vector<uint8_t>& file, uint64_t page) {
    const auto at = file.begin() + static_cast<long>(page * kJet4Page);
    return std::equal(at + 4, at + 8, "LVAL");
}

// A clinic whose memos take twice the pages of all the rest, with room for all but
// the memos: the pages of its tables stay kept while the memos pass, so a second
// search reads the memos' pages again and, of the others, only the maps of the
// pages each table owns.
TEST(PageCache, ASearchOfAClinicLargerThanTheBudgetReadsTheTablesPagesOnce) {
    TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    writeClinicWithMemos(path, 200, [](int) { return std::u16string(2000, u'\u0101'); });
    const std::vector<uint8_t> file = testing::readAll(path);
    size_t longValuePages = 0;
    for (uint64_t page = 0; page < file.size() / kJet4Page; ++page) longValuePages += longValuePage(file, page);
    const size_t otherPages = file.size() / kJet4Page - longValuePages;
    ASSERT_GT(longValuePages, 2 * otherPages);
    // Room for every page but those of the memos.
    auto owned = std::make_unique<CountingSource>(file);
    CountingSource& source = *owned;
    const Database db = Database::fromSource(std::move(owned), u"clinica.mdb", otherPages * kJet4Page);
    readEverything(db);

    const std::map<uint64_t, int> first = source.pageReads;
    readEverything(db);
    int tablePagesAgain = 0;
    int longValueReads = 0;
    for (const auto& [page, reads] : source.pageReads) {
        const int again = reads - (first.count(page) != 0 ? first.at(page) : 0);
        (longValuePage(file, page) ? longValueReads : tablePagesAgain) += again;
    }
    EXPECT_GE(static_cast<size_t>(longValueReads), longValuePages);
    EXPECT_LE(tablePagesAgain, 4);
}

// The host was writing the patients' page when its block was read: the page fails
// its checks, and it is read again, with its block, from the file as it is now.
TEST(PageCache, APageRewrittenByTheHostIsReadAgainWhenItFailsItsChecks) {
    TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    testing::writeClinic(path, 5);
    const std::vector<uint8_t> file = testing::readAll(path);
    auto owned = std::make_unique<CountingSource>(file);
    CountingSource& source = *owned;
    // The host's write is under way while the file is first read, and done by the next read.
    uint32_t dataPage = 0;
    std::vector<uint8_t> whole;
    source.beforeRead = [&](uint64_t page, std::vector<uint8_t>& bytes) {
        if (dataPage == 0 || page != dataPage) return;
        const auto at = bytes.begin() + static_cast<long>(page * kJet4Page);
        if (whole.empty()) {
            whole.assign(at, at + kJet4Page);
            std::fill(at + 8, at + 16, uint8_t{0xEE});  // a row count far past the page
        } else {
            std::copy(whole.begin(), whole.end(), at);
        }
    };
    {
        const auto engine = jet::Engine::create(std::make_unique<CountingSource>(file), u"clinica.mdb");
        dataPage = testing::firstDataPage(file, engine->table(u"Pacientes")->tdefPage);
    }
    const auto engine = jet::Engine::create(std::move(owned), u"clinica.mdb");
    ASSERT_EQ(source.pageReads[dataPage], 1);  // with the catalog's block, half written
    const auto query = engine->query(u"SELECT * FROM Pacientes WHERE Paci_ln_Counter = 1");
    EXPECT_EQ(query->value(query->table().find(testing::kNotes)), Value::text(u"zzantigazz"));
    EXPECT_EQ(source.pageReads[dataPage], 2);
}

// The host adds a page at the end and moves a memo there after the file was read:
// the file's new size, seen as the next table is listed, makes it read afresh.
TEST(PageCache, AFileTheHostGrowsIsReadAfresh) {
    TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    testing::writeClinic(path, 3);
    const Database db = Database::open(path);
    EXPECT_EQ(db.openRecordset(u"SELECT * FROM Anamneses").recordCount(), 0);  // the whole file read
    testing::applyEdits(path, testing::moveMemoToNewPage(testing::readAll(path), "zzantigazz", "zznovazz"));
    Recordset rs = db.openRecordset(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente");
    EXPECT_EQ(rs.field(testing::kNotes), Value::text(u"zznovazz"));
}

}  // namespace
}  // namespace scandrel::db
