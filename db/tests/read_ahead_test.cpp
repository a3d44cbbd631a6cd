// A database larger than the pages kept, on a network: the rows ahead, and their
// related rows, are read before they are asked for, in file order, neighbouring
// pages in one read, many reads at once; a local file is read on the calling
// thread alone.
// The values are the same as read one at a time, and no reading thread outlives
// the database. Reads are counted, never timed.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <mutex>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/jet/copied_source.h"
#include "db/jet/byte_source.h"
#include "db/jet/errors.h"
#include "db/jet/page_cache.h"
#include "db/jet/parallel_reads.h"
#include "db/writer/clinic_writer.h"
#include "testing/jet_test_files.h"
#include "testing/threads_running.h"
#include "testing/waiting_source.h"

namespace scandrel::db {
namespace {

using testing::TempFolder;
using testing::WaitingSource;

constexpr char16_t kPatients[] = u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente";
constexpr char16_t kAnamneses[] = u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = ";
constexpr auto kNetworkWait = std::chrono::milliseconds(1);
constexpr uint32_t kPage = 4096;
// Far smaller than the clinics written here: pages are read one at a time unless planned.
constexpr size_t kFewPages = 8 * kPage;

// Patients whose name order is not the order they were written in (unless
// `inFileOrder`), each with anamneses whose memos lie on long-value pages, one of
// them over several pages.
void writeClinic(const std::filesystem::path& path, int patients, bool inFileOrder = false) {
    writer::ClinicWriter clinic(path);
    for (int i = 0; i < patients; ++i) {
        const int order = inFileOrder ? i : (25 - i % 26) * 26 + i / 26;
        const std::u16string name = u"PACIENTE " + std::u16string(1, static_cast<char16_t>(u'A' + order / 26)) +
                                    std::u16string(1, static_cast<char16_t>(u'A' + order % 26));
        const int32_t counter = clinic.add(writer::kPacientes, {{u"Paci_tx_NomePaciente", Value::text(name)},
                                                                {u"Paci_me_ObservacoesPaciente", Value::text(name + std::u16string(300, u'o'))}});
        for (int a = 0; a < i % 3; ++a) {
            const size_t length = (i + a) % 7 == 0 ? 5000 : 400;  // stored plainly past 1,024 characters: a chain
            clinic.add(writer::kAnamneses, {{u"Anam_ln_Paciente", Value::longValue(counter)},
                                            {u"Anam_me_TextoAnamnese", Value::text(name + std::u16string(length, u'\u00e1'))}});
        }
    }
    clinic.finish();
}

// Every value of every patient in name order, and of its anamneses; with `ahead`,
// the rows ahead are asked for as the search asks for them.
std::vector<Value> readClinic(const Database& db, bool ahead) {
    std::vector<Value> values;
    Recordset patients = db.openRecordset(kPatients);
    const std::vector<Recordset::Link> links = {{kAnamneses, u"Paci_ln_Counter"}};
    for (; !patients.eof(); patients.moveNext()) {
        if (ahead) patients.readAhead(16, links);
        for (size_t i = 0; i < patients.columns().size(); ++i) values.push_back(patients.value(static_cast<int>(i)));
        Recordset anamneses =
            db.openRecordset(kAnamneses + patients.field(u"Paci_ln_Counter").toText());
        for (; !anamneses.eof(); anamneses.moveNext())
            for (size_t i = 0; i < anamneses.columns().size(); ++i)
                values.push_back(anamneses.value(static_cast<int>(i)));
    }
    return values;
}

// Where each read asked for starts and how long it is, in the order asked.
class RecordingSource final : public jet::ByteSource {
public:
    RecordingSource(std::unique_ptr<jet::ByteSource> file, bool remote) : file_(std::move(file)), remote_(remote) {}
    uint64_t size() const override { return file_->size(); }
    uint64_t currentSize() override { return file_->currentSize(); }
    bool remote() const override { return remote_; }
    bool read(uint64_t offset, uint8_t* destination, size_t count) override {
        {
            const std::lock_guard lock(mutex_);
            reads_.emplace_back(offset, count);
        }
        return file_->read(offset, destination, count);
    }
    std::vector<std::pair<uint64_t, size_t>> reads() {
        const std::lock_guard lock(mutex_);
        return reads_;
    }

private:
    std::unique_ptr<jet::ByteSource> file_;
    bool remote_;
    std::mutex mutex_;
    std::vector<std::pair<uint64_t, size_t>> reads_;
};

// A file of `pages` pages, each filled with its own number's low byte.
std::vector<uint8_t> numberedPages(uint32_t pages) {
    std::vector<uint8_t> bytes(size_t{pages} * kPage);
    for (uint32_t p = 0; p < pages; ++p) std::fill_n(bytes.begin() + static_cast<long>(p * kPage), kPage, static_cast<uint8_t>(p));
    return bytes;
}

TEST(ReadAhead, PlannedReadsAreFewLargeReadsInFileOrder) {
    auto owned = std::make_unique<RecordingSource>(jet::memorySource(numberedPages(100)), false);
    RecordingSource& source = *owned;
    jet::PageCache pages(std::move(owned), kPage, 4);
    // Asked for out of order, one twice, one past the end: pages close together come
    // in one read with the page between, pages farther apart in reads of their own.
    pages.fetch({90, 41, 3, 39, 4, 5, 7, 3, 40, 250});
    EXPECT_EQ(source.reads(), (std::vector<std::pair<uint64_t, size_t>>{
                                  {3 * kPage, 5 * kPage}, {39 * kPage, 3 * kPage}, {90 * kPage, kPage}}));
    for (const uint32_t p : {3u, 4u, 5u, 7u, 39u, 40u, 41u, 90u}) {
        const jet::PagePtr page = pages.peek(p);
        ASSERT_NE(page, nullptr) << p;
        EXPECT_EQ((*page)[100], static_cast<uint8_t>(p)) << p;
    }
    EXPECT_EQ(pages.peek(6), nullptr);  // read on the way, not asked for
    // Asked for, the pages fetched are not read again.
    EXPECT_EQ((*pages.page(40))[0], 40);
    EXPECT_EQ(source.reads().size(), 3u);
}

// Pages read ahead are kept until asked for: planning adds no read.
TEST(ReadAhead, PlannedReadsGiveTheSameValuesInNoMoreReads) {
    TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    writeClinic(path, 150, true);
    const std::vector<Value> expected = readClinic(Database::open(path), false);

    auto plain = std::make_unique<RecordingSource>(jet::openFileSource(path), true);
    RecordingSource& plainReads = *plain;
    const Database one = Database::fromSource(std::move(plain), u"clinica.mdb", kFewPages);
    EXPECT_EQ(readClinic(one, false), expected);

    auto planned = std::make_unique<RecordingSource>(jet::openFileSource(path), true);
    RecordingSource& plannedReads = *planned;
    const Database ahead = Database::fromSource(std::move(planned), u"clinica.mdb", kFewPages);
    EXPECT_EQ(readClinic(ahead, true), expected);
    EXPECT_LE(plannedReads.reads().size(), plainReads.reads().size())
        << plannedReads.reads().size() << " against " << plainReads.reads().size();
}

TEST(ReadAhead, OverANetworkManyReadsAreUnderWayAtOnceAndLocallyOne) {
    TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    writeClinic(path, 120);
    // Free pages at the end: over a network the file's copy has many chunks to fetch.
    std::filesystem::resize_file(path, 24 * jet::CopiedSource::kChunkBytes);
    const std::vector<Value> expected = readClinic(Database::open(path), false);

    // Reads that could overlap are made to: whether they do is not left to the scheduler.
    auto remote = std::make_unique<WaitingSource>(jet::openFileSource(path), kNetworkWait, std::chrono::seconds(2));
    const WaitingSource& network = *remote;
    const Database shared = Database::fromSource(std::move(remote), u"clinica.mdb", kFewPages);
    EXPECT_EQ(readClinic(shared, true), expected);
    EXPECT_GE(network.mostAtOnce(), 2);

    // A local file: never more than one read at a time, whatever they take.
    class LocalWaitingSource final : public jet::ByteSource {
    public:
        explicit LocalWaitingSource(std::unique_ptr<WaitingSource> inner) : inner_(std::move(inner)) {}
        uint64_t size() const override { return inner_->size(); }
        uint64_t currentSize() override { return inner_->currentSize(); }
        bool read(uint64_t offset, uint8_t* destination, size_t count) override {
            return inner_->read(offset, destination, count);
        }
        int mostAtOnce() const { return inner_->mostAtOnce(); }

    private:
        std::unique_ptr<WaitingSource> inner_;
    };
    auto local = std::make_unique<LocalWaitingSource>(
        std::make_unique<WaitingSource>(jet::openFileSource(path), std::chrono::microseconds(100)));
    const LocalWaitingSource& disk = *local;
    const Database onDisk = Database::fromSource(std::move(local), u"clinica.mdb", kFewPages);
    EXPECT_EQ(readClinic(onDisk, true), expected);
    EXPECT_EQ(disk.mostAtOnce(), 1);
}

// Over a network the rows are read from the file's copy: the same values, and no
// byte of the file crosses twice (but the header, read before the file is known to
// be a database).
TEST(ReadAhead, OverANetworkTheRowsComeFromTheCopyAndNoByteCrossesTwice) {
    TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    writeClinic(path, 150);
    const std::vector<Value> expected = readClinic(Database::open(path), false);

    // The reads are looked at once the copy is over: the source outlives the database.
    RecordingSource network(jet::openFileSource(path), true);
    class Lent final : public jet::ByteSource {
    public:
        explicit Lent(jet::ByteSource& source) : source_(source) {}
        uint64_t size() const override { return source_.size(); }
        uint64_t currentSize() override { return source_.currentSize(); }
        bool remote() const override { return source_.remote(); }
        bool read(uint64_t offset, uint8_t* destination, size_t count) override {
            return source_.read(offset, destination, count);
        }

    private:
        jet::ByteSource& source_;
    };
    {
        const Database shared = Database::fromSource(std::make_unique<Lent>(network), u"clinica.mdb", kFewPages);
        EXPECT_EQ(readClinic(shared, true), expected);
    }
    std::vector<std::pair<uint64_t, size_t>> reads = network.reads();
    ASSERT_GE(reads.size(), 2u);
    reads.erase(reads.begin());  // the header
    std::sort(reads.begin(), reads.end());
    uint64_t crossed = 0;
    for (size_t i = 0; i < reads.size(); ++i) {
        if (i > 0) {
            EXPECT_GE(reads[i].first, reads[i - 1].first + reads[i - 1].second) << reads[i].first;
        }
        crossed += reads[i].second;
    }
    EXPECT_LE(crossed, std::filesystem::file_size(path));
}

// Pages of numberedPages() over a network, whose reads of the pages `fails` picks
// throw, as a read cut off with the network does.
class FailingSource final : public jet::ByteSource {
public:
    FailingSource(uint32_t pages, std::function<bool(uint32_t page)> fails)
        : file_(jet::memorySource(numberedPages(pages))), fails_(std::move(fails)) {}
    uint64_t size() const override { return file_->size(); }
    uint64_t currentSize() override { return file_->currentSize(); }
    bool remote() const override { return true; }
    bool read(uint64_t offset, uint8_t* destination, size_t count) override {
        std::this_thread::sleep_for(std::chrono::microseconds(200));  // keeps several threads busy
        for (uint64_t at = offset; at < offset + count; at += kPage)
            if (fails_(static_cast<uint32_t>(at / kPage))) throw db::diskOrNetworkError();
        return file_->read(offset, destination, count);
    }

private:
    std::unique_ptr<jet::ByteSource> file_;
    std::function<bool(uint32_t)> fails_;
};

std::vector<jet::ReadJob> onePageJobs(std::vector<uint8_t>& into, uint32_t pages) {
    into.assign(size_t{pages} * kPage, 0);
    std::vector<jet::ReadJob> jobs;
    for (uint32_t p = 0; p < pages; ++p) jobs.push_back({uint64_t{p} * kPage, into.data() + size_t{p} * kPage, kPage});
    return jobs;
}

TEST(ReadAhead, AReadThatThrowsInAnyThreadReachesTheCallerAndTheNextBatchRuns) {
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<bool> failing{true};
    // The reading threads' reads fail, then the calling thread's. The side whose reads
    // fail reads first, the other waiting for it: else a slow start of the reading
    // threads (as under Wine) could leave every page to the caller, or none.
    bool inCaller = false;
    std::atomic<int> failingSideReads{0};
    FailingSource source(64, [&](uint32_t) {
        const bool failingSide = (std::this_thread::get_id() == caller) == inCaller;
        if (failingSide) {
            ++failingSideReads;
        } else if (failing) {
            for (int ms = 0; failingSideReads == 0 && ms < 10000; ++ms)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return failing && failingSide;
    });
    jet::ParallelReads readers(4);
    std::vector<uint8_t> bytes;
    for (const bool callerFails : {false, true}) {
        inCaller = callerFails;
        failing = true;
        failingSideReads = 0;
        std::vector<jet::ReadJob> jobs = onePageJobs(bytes, 64);
        EXPECT_EQ(testing::errorNumberOf([&] { readers.run(source, jobs); }), db::kDiskOrNetworkError) << callerFails;
        failing = false;
        jobs = onePageJobs(bytes, 64);
        readers.run(source, jobs);
        EXPECT_TRUE(std::all_of(jobs.begin(), jobs.end(), [](const jet::ReadJob& job) { return job.done; }));
        EXPECT_EQ(bytes[63 * kPage], 63);
    }

    // Reading ahead, the pages of a failed read are left to their own reads, which
    // report it where they are asked for.
    jet::PageCache pages(std::make_unique<FailingSource>(64, [](uint32_t page) { return page == 20; }), kPage, 4);
    pages.fetch({2, 10, 20, 30, 40});
    EXPECT_EQ(pages.peek(20), nullptr);
    EXPECT_EQ((*pages.page(40))[0], 40);
    EXPECT_EQ(testing::errorNumberOf([&] { pages.page(20); }), db::kDiskOrNetworkError);
}

#ifdef __linux__
TEST(ReadAhead, NoReadingThreadOutlivesTheDatabase) {
    TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    writeClinic(path, 40);
    const size_t before = scandrel::testing::threadsRunning();
    {
        const Database db = Database::fromSource(std::make_unique<WaitingSource>(jet::openFileSource(path), kNetworkWait),
                                                 u"clinica.mdb", kFewPages);
        Recordset patients = db.openRecordset(kPatients);
        readClinic(db, true);
        EXPECT_GT(scandrel::testing::threadsRunning(), before);
        // A record set still open keeps the database, and its readers, alive.
    }
    EXPECT_EQ(scandrel::testing::threadsRunningOnceSettledTo(before), before);
}
#endif

}  // namespace
}  // namespace scandrel::db
