#pragma once
// Little-endian stores and the fixed sizes of a Jet 4 file.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace scandrel::db::writer {

inline constexpr size_t kPageSize = 4096;
inline constexpr size_t kDataPageHeader = 14;   // type, flag, free space, owner, unused, row count
inline constexpr size_t kMaxRowsPerPage = 255;  // a row pointer keeps the row number in one byte

using Bytes = std::vector<uint8_t>;

inline void put16(uint8_t* at, uint32_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}
inline void put32(uint8_t* at, uint32_t v) {
    put16(at, v & 0xFFFF);
    put16(at + 2, v >> 16);
}
inline void append16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void append32(Bytes& out, uint32_t v) {
    append16(out, v & 0xFFFF);
    append16(out, v >> 16);
}

// A row's address: page number in the upper three bytes, row number in the lowest.
inline uint32_t rowPointer(uint32_t page, uint32_t row) { return (page << 8) | row; }

}  // namespace scandrel::db::writer
