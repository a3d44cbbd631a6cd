#pragma once
// The rows of a scan of a server's table in an order made here, held a batch at a
// time: only the record numbers of the whole scan are kept, and each batch of rows
// is asked for by those numbers when the scan reaches it. Used by the search's one
// thread, like every record set.
//
//  1. The scan's order is fixed before it starts: its rows' numbers, in order.
//  2. The first read or read-ahead at a row outside the batch held asks the server
//     for the rows of the next `batch` numbers from that row on (`firstBatch` from
//     the scan's first row: a small one, so that the next is sent ahead sooner),
//     dropping the last.
//  3. When a batch is asked for by a read-ahead, the rows it leads to are asked for
//     too (see ServerRows::AheadFetch), a statement per link.
//  4. Then the next batch's numbers and the same links are handed to `next`, which
//     may send its statements ahead (see statements_ahead.h) while this batch is read.
#include <memory>
#include <unordered_map>
#include <vector>

#include "db/odbc/result_rows.h"

namespace scandrel::db::odbc {

class BatchedRows final : public RowSet {
public:
    // The rows whose key column holds each of `numbers` (in any order); a failure
    // passes through.
    using FetchByNumbers = std::function<std::shared_ptr<const ResultRows>(const std::vector<int64_t>& numbers)>;

    // The numbers of the batch after the one asked for, and the links it was asked with.
    using FetchNext = std::function<void(const std::vector<int64_t>& numbers, const std::vector<ReadAheadLink>& links)>;

    BatchedRows(std::shared_ptr<const ResultRows> shape, std::vector<int64_t> numbers, size_t keyColumn,
                FetchByNumbers fetch, size_t batch, ServerRows::AheadFetch ahead, FetchNext next = {},
                size_t firstBatch = SIZE_MAX);

    void moveFirst() override;
    void moveLast() override;
    void moveNext() override;
    bool eof() const override { return position_ >= numbers_.size(); }
    size_t count() const override { return numbers_.size(); }
    const std::vector<ColumnInfo>& columns() const override { return shape_->columns; }
    int find(std::u16string_view name) const override { return shape_->find(name); }
    Value value(int fieldIndex) const override { return cell(fieldIndex); }
    bool appendText(int fieldIndex, std::u16string& out) const override;
    void readAhead(size_t rows, const std::vector<ReadAheadLink>& links) const override;

    // Where the rows of a batch go once the scan has moved past it (to be freed on
    // another thread); by default they are freed here.
    using Release = std::function<void(std::shared_ptr<const ResultRows> rows)>;
    void releaseWith(Release release) { release_ = std::move(release); }

private:
    const Value& cell(int fieldIndex) const;
    // The batch that holds the current row, asked for when it is not held.
    void hold() const;

    std::shared_ptr<const ResultRows> shape_;
    std::vector<int64_t> numbers_;
    size_t keyColumn_;
    FetchByNumbers fetch_;
    size_t batch_, firstBatch_;
    ServerRows::AheadFetch ahead_;
    FetchNext next_;
    Release release_;
    size_t position_ = 0;

    mutable size_t from_ = 0, to_ = 0;  // the rows held: [from_, to_)
    mutable std::shared_ptr<const ResultRows> rows_;
    mutable std::vector<const std::vector<Value>*> byPosition_;  // of the rows held, null for a row gone
    mutable size_t aheadFrom_ = SIZE_MAX;  // the batch whose related rows were asked for
};

}  // namespace scandrel::db::odbc
