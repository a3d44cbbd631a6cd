// A large database on a network is searched through its copy on this machine's
// disk: each byte crosses the network once, the host's writes are followed, and the
// copy is gone once the search is, however it ended.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <numeric>

#include "db/jet/copied_source.h"
#include "db/base/errors.h"
#include "testing/jet_test_files.h"
#include "text/error.h"

namespace scandrel::db {
namespace {

using jet::CopiedSource;
constexpr size_t kChunk = CopiedSource::kChunkBytes;
constexpr size_t kPage = 4096;
constexpr size_t kLarge = 24 * kChunk;

// A file on a network, in memory: counts what crosses it; the host may edit it, and
// a read of the chunk at `failAt` fails outright.
class NetworkFile final : public jet::ByteSource {
public:
    explicit NetworkFile(size_t size) : bytes_(size) {
        for (size_t i = 0; i < size; ++i) bytes_[i] = static_cast<uint8_t>(i * 7 + i / kPage);
    }
    uint64_t size() const override { return known_; }
    uint64_t currentSize() override {
        const std::lock_guard lock(mutex_);
        return known_ = bytes_.size();
    }
    bool remote() const override { return remote_; }
    bool read(uint64_t offset, uint8_t* destination, size_t count) override {
        const std::lock_guard lock(mutex_);
        ++calls;
        bytes += count;
        if (offset == failAt) throw db::diskOrNetworkError();
        if (offset > bytes_.size() || count > bytes_.size() - offset) return false;
        std::copy_n(bytes_.begin() + static_cast<long>(offset), count, destination);
        return true;
    }
    // The bytes as they are now.
    std::vector<uint8_t> at(uint64_t offset, size_t count) {
        const std::lock_guard lock(mutex_);
        return {bytes_.begin() + static_cast<long>(offset), bytes_.begin() + static_cast<long>(offset + count)};
    }
    void resize(size_t size, uint8_t fill) {
        const std::lock_guard lock(mutex_);
        bytes_.resize(size, fill);
    }
    void write(uint64_t offset, size_t count, uint8_t fill) {
        const std::lock_guard lock(mutex_);
        std::fill_n(bytes_.begin() + static_cast<long>(offset), count, fill);
    }

    std::atomic<size_t> calls{0};
    std::atomic<uint64_t> bytes{0};
    std::atomic<uint64_t> failAt{~uint64_t{0}};
    bool remote_ = true;

private:
    std::mutex mutex_;
    std::vector<uint8_t> bytes_;
    uint64_t known_ = bytes_.size();
};

struct Copied {
    NetworkFile* file = nullptr;
    std::unique_ptr<jet::ByteSource> source;
    Copied(size_t size, const std::filesystem::path& folder) {
        auto owned = std::make_unique<NetworkFile>(size);
        file = owned.get();
        source = jet::copiedFromNetwork(std::move(owned), folder);
    }
    ::testing::AssertionResult pageIsRight(uint64_t offset, size_t count = kPage) {
        std::vector<uint8_t> page(count);
        if (!source->read(offset, page.data(), count)) return ::testing::AssertionFailure() << "not read at " << offset;
        if (page != file->at(offset, count)) return ::testing::AssertionFailure() << "wrong bytes at " << offset;
        return ::testing::AssertionSuccess();
    }
};

TEST(CopiedSource, OnlyAFileOnANetworkIsCopied) {
    testing::TempFolder folder;
    auto local = std::make_unique<NetworkFile>(kLarge);
    local->remote_ = false;
    const jet::ByteSource* before = local.get();
    EXPECT_EQ(jet::copiedFromNetwork(std::move(local), folder.path()).get(), before);
    Copied large(kLarge, folder.path());
    EXPECT_NE(dynamic_cast<const CopiedSource*>(large.source.get()), nullptr);
    EXPECT_FALSE(large.source->remote()) << "reads of the copy are not planned";
}

TEST(CopiedSource, EachByteCrossesTheNetworkOnceInReadsOfAChunk) {
    testing::TempFolder folder;
    const size_t size = kLarge + 3 * kPage;  // the last chunk short
    Copied copied(size, folder.path());
    // Pages here and there, as a search in name order asks for them, then all of them twice.
    for (const uint64_t page : {40u, 3u, 500u, 41u, 200u, 3u})
        ASSERT_TRUE(copied.pageIsRight(page * kPage)) << page;
    ASSERT_TRUE(copied.pageIsRight(kChunk - kPage, 2 * kPage));  // across two chunks
    for (int round = 0; round < 2; ++round)
        for (uint64_t at = 0; at < size; at += kPage) ASSERT_TRUE(copied.pageIsRight(at));
    EXPECT_FALSE(copied.pageIsRight(size - kPage / 2));  // past the end
    // Every chunk is copied by now, none on its way. The read past the end asked the
    // file itself; every other byte came once.
    EXPECT_EQ(copied.file->bytes.load(), size + kPage);
    EXPECT_EQ(copied.file->calls.load(), kLarge / kChunk + 1 + 1);
}

TEST(CopiedSource, TheHostWritingGrowingAndCuttingTheFileIsFollowed) {
    testing::TempFolder folder;
    Copied copied(kLarge, folder.path());
    ASSERT_TRUE(copied.pageIsRight(kChunk));
    // Written in place: the copy is trusted until the engine starts over.
    copied.file->write(kChunk, kPage, 0x5A);
    std::vector<uint8_t> page(kPage);
    ASSERT_TRUE(copied.source->read(kChunk, page.data(), kPage));
    copied.source->startOver();
    EXPECT_TRUE(copied.pageIsRight(kChunk));

    copied.file->resize(kLarge + kChunk + kPage, 0x33);  // grown
    EXPECT_EQ(copied.source->currentSize(), kLarge + kChunk + kPage);
    EXPECT_TRUE(copied.pageIsRight(kLarge + kChunk));
    EXPECT_TRUE(copied.pageIsRight(kLarge + 8 * kPage));

    copied.file->resize(2 * kChunk + kPage, 0);  // cut
    EXPECT_EQ(copied.source->currentSize(), 2 * kChunk + kPage);
    EXPECT_FALSE(copied.pageIsRight(3 * kChunk));
    EXPECT_FALSE(copied.pageIsRight(2 * kChunk + kPage / 2));
    EXPECT_TRUE(copied.pageIsRight(2 * kChunk));
    EXPECT_TRUE(copied.pageIsRight(0));
}

// A read that fails outright reaches the reader as the file's own error; the copy
// goes on with the other chunks.
TEST(CopiedSource, AChunkThatCantBeFetchedIsTheFilesOwnError) {
    testing::TempFolder folder;
    Copied copied(kLarge, folder.path());
    copied.file->failAt = 2 * kChunk;
    std::vector<uint8_t> page(kPage);
    EXPECT_EQ(testing::errorNumberOf([&] { copied.source->read(2 * kChunk + kPage, page.data(), kPage); }), 0)
        << "the page itself is read from the file, not at the chunk's start";
    EXPECT_EQ(testing::errorNumberOf([&] { copied.source->read(2 * kChunk, page.data(), kPage); }),
              db::kDiskOrNetworkError);
    EXPECT_TRUE(copied.pageIsRight(5 * kChunk));
}

// Nothing is left on disk once the source is gone: after a whole copy, and when the
// search is cancelled or fails with the copy under way.
TEST(CopiedSource, TheCopyIsGoneWithTheSourceHoweverTheSearchEnded) {
    testing::TempFolder folder;
    const auto entries = [&] {
        return std::distance(std::filesystem::directory_iterator(folder.path()), std::filesystem::directory_iterator());
    };
    {
        Copied copied(kLarge, folder.path());
        for (uint64_t at = 0; at < kLarge; at += kPage) ASSERT_TRUE(copied.pageIsRight(at));
        EXPECT_LE(entries(), 1);  // where the system has no unnamed files
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            EXPECT_LE(entry.file_size(), kLarge);
    }
    EXPECT_EQ(entries(), 0);
    {
        Copied cancelled(64 * kChunk, folder.path());
        ASSERT_TRUE(cancelled.pageIsRight(30 * kChunk));
    }
    EXPECT_EQ(entries(), 0);
    {
        Copied failed(kLarge, folder.path());
        failed.file->failAt = 0;
        std::vector<uint8_t> page(kPage);
        EXPECT_NE(testing::errorNumberOf([&] { failed.source->read(0, page.data(), kPage); }), 0);
    }
    EXPECT_EQ(entries(), 0);
}

}  // namespace
}  // namespace scandrel::db
