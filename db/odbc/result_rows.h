#pragma once
// Rows a database server sent, held in memory, and a record set over some of them.
#include <cstdint>
#include <functional>
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
    // The rows are in memory already; for each link, the numbers the next rows give
    // are handed to the fetch set with fetchAheadWith, a batch of rows at a time.
    void readAhead(size_t rows, const std::vector<ReadAheadLink>& links) const override;

    // For a scan whose rows lead to related rows: `fetch` is given a link's statement
    // (up to its number) and the distinct whole numbers of the link's field in the
    // next `batch` rows, once the rows of the last batch have all been reached.
    using AheadFetch = std::function<void(std::u16string_view statement, const std::vector<int64_t>& numbers)>;
    void fetchAheadWith(AheadFetch fetch, size_t batch);

private:
    const Value& cell(int fieldIndex) const;

    std::shared_ptr<const ResultRows> data_;
    std::shared_ptr<const Picked> picked_;
    size_t begin_, end_, position_;
    AheadFetch ahead_;
    size_t aheadBatch_ = 0;
    mutable size_t aheadUntil_ = 0;
};

// Hands `fetch`, for each link whose field `shape` has, the distinct whole numbers
// (a null as 0, as the search asks for it) that field holds in `rows`.
void fetchLinked(const ServerRows::AheadFetch& fetch, const ResultRows& shape,
                 const std::vector<const std::vector<Value>*>& rows, const std::vector<ReadAheadLink>& links);

}  // namespace scandrel::db::odbc
