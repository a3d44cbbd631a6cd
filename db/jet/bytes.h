#pragma once
// Little-endian reads from a block of bytes, every one checked against its end.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "db/jet/errors.h"

namespace scandrel::db::jet {

class Bytes {
public:
    Bytes() = default;
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

    uint8_t u8(size_t at) const {
        need(at, 1);
        return data_[at];
    }
    uint16_t u16(size_t at) const {
        need(at, 2);
        return static_cast<uint16_t>(data_[at] | (data_[at + 1] << 8));
    }
    uint32_t u24(size_t at) const {
        need(at, 3);
        return static_cast<uint32_t>(data_[at]) | (static_cast<uint32_t>(data_[at + 1]) << 8) |
               (static_cast<uint32_t>(data_[at + 2]) << 16);
    }
    uint32_t u32(size_t at) const {
        need(at, 4);
        return static_cast<uint32_t>(data_[at]) | (static_cast<uint32_t>(data_[at + 1]) << 8) |
               (static_cast<uint32_t>(data_[at + 2]) << 16) | (static_cast<uint32_t>(data_[at + 3]) << 24);
    }
    uint64_t u64(size_t at) const {
        return static_cast<uint64_t>(u32(at)) | (static_cast<uint64_t>(u32(at + 4)) << 32);
    }
    // The `count` bytes at `at`.
    Bytes slice(size_t at, size_t count) const {
        need(at, count);
        return Bytes(data_ + at, count);
    }

private:
    void need(size_t at, size_t count) const {
        if (at > size_ || count > size_ - at) corrupt();
    }

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace scandrel::db::jet
