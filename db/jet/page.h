#pragma once
// One page of a database file in memory, made by the page cache on the engine's
// thread and read by whoever holds it, on any thread, as constant bytes. Its bytes
// are its own, or its share of a block of neighbouring pages read at once: the block
// is one piece of memory, not one a page, and lives while any of its pages is held.
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace scandrel::db::jet {

class Page {
public:
    // Bytes of its own, zeroed, for the cache to read into.
    explicit Page(size_t size) : Page(std::make_shared<uint8_t[]>(size), 0, size) {}
    // A copy of these bytes.
    Page(const uint8_t* from, size_t size) : Page(std::make_shared_for_overwrite<uint8_t[]>(size), 0, size) {
        std::memcpy(bytes_, from, size);
    }
    // Its share of a block: `size` bytes from `offset`.
    Page(std::shared_ptr<uint8_t[]> block, size_t offset, size_t size)
        : storage_(std::move(block)), bytes_(storage_.get() + offset), size_(size) {}

    uint8_t* data() { return bytes_; }
    const uint8_t* data() const { return bytes_; }
    size_t size() const { return size_; }
    const uint8_t* begin() const { return bytes_; }
    const uint8_t* end() const { return bytes_ + size_; }
    uint8_t operator[](size_t at) const {
        assert(at < size_);
        return bytes_[at];
    }

private:
    std::shared_ptr<uint8_t[]> storage_;
    uint8_t* bytes_;
    size_t size_;
};

}  // namespace scandrel::db::jet
