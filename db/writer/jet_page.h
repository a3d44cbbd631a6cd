#pragma once
// A data page being filled: rows are stored from the end of the page towards
// its header, their offsets listed after the header.
#include <cstdint>

#include "db/writer/jet_bytes.h"

namespace scandrel::db::writer {

class DataPage {
public:
    // owner: the table's definition page, or kLongValueOwner for long-value pages.
    DataPage(uint32_t number, uint32_t owner);

    static constexpr uint32_t kLongValueOwner = 0x4C41564C;  // "LVAL"
    // Largest row a page can hold.
    static constexpr size_t kMaxRow = kPageSize - kDataPageHeader - 2;

    bool fits(size_t rowSize) const;
    // Returns the row's number on the page.
    uint8_t add(const Bytes& row);

    uint32_t number() const { return number_; }
    uint16_t rowCount() const { return rows_; }
    const Bytes& bytes() const { return bytes_; }

private:
    uint32_t number_;
    Bytes bytes_;
    uint16_t rows_ = 0;
    size_t dataStart_ = kPageSize;
};

}  // namespace scandrel::db::writer
