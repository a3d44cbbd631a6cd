#include "db/writer/jet_page.h"

#include <algorithm>

namespace scandrel::db::writer {

DataPage::DataPage(uint32_t number, uint32_t owner) : number_(number), bytes_(kPageSize, 0) {
    bytes_[0] = 0x01;
    bytes_[1] = 0x01;
    put32(&bytes_[4], owner);
    put16(&bytes_[2], static_cast<uint32_t>(kPageSize - kDataPageHeader));
}

bool DataPage::fits(size_t rowSize) const {
    const size_t tableEnd = kDataPageHeader + 2 * (size_t{rows_} + 1);
    return rows_ < kMaxRowsPerPage && tableEnd + rowSize <= dataStart_;
}

uint8_t DataPage::add(const Bytes& row) {
    dataStart_ -= row.size();
    std::copy(row.begin(), row.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(dataStart_));
    put16(&bytes_[kDataPageHeader + 2 * size_t{rows_}], static_cast<uint32_t>(dataStart_));
    ++rows_;
    put16(&bytes_[12], rows_);
    put16(&bytes_[2], static_cast<uint32_t>(dataStart_ - kDataPageHeader - 2 * size_t{rows_}));
    return static_cast<uint8_t>(rows_ - 1);
}

}  // namespace scandrel::db::writer
