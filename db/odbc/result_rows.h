#pragma once
// Rows a database server sent, held in memory, and a record set over some of them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/base/row_set.h"

namespace scandrel::db::odbc {

struct ResultRows {
    std::vector<ColumnInfo> columns;
    std::vector<std::u16string> foldedNames;
    std::vector<std::vector<Value>> rows;

    // By name without regard to case; -1 when there is none.
    int find(std::u16string_view name) const;
};

// A selection of rows, `picked` (positions in `data`) from `begin` to `end`.
using Picked = std::vector<uint32_t>;

class ServerRows final : public RowSet {
public:
    ServerRows(std::shared_ptr<const ResultRows> data, std::shared_ptr<const Picked> picked, size_t begin, size_t end);

    void moveFirst() override;
    void moveLast() override;
    void moveNext() override;
    bool eof() const override { return position_ >= end_; }
    size_t count() const override { return end_ - begin_; }
    const std::vector<ColumnInfo>& columns() const override { return data_->columns; }
    int find(std::u16string_view name) const override { return data_->find(name); }
    Value value(int fieldIndex) const override { return cell(fieldIndex); }
    bool appendText(int fieldIndex, std::u16string& out) const override;
    // The rows are in memory already.
    void readAhead(size_t, const std::vector<ReadAheadLink>&) const override {}

private:
    const Value& cell(int fieldIndex) const;

    std::shared_ptr<const ResultRows> data_;
    std::shared_ptr<const Picked> picked_;
    size_t begin_, end_, position_;
};

}  // namespace scandrel::db::odbc
