#include "db/odbc/batched_rows.h"

#include <algorithm>

#include "db/base/errors.h"
#include "db/base/value_order.h"
#include "db/odbc/row_order.h"

namespace scandrel::db::odbc {

BatchedRows::BatchedRows(std::shared_ptr<const ResultRows> shape, std::vector<int64_t> numbers, size_t keyColumn,
                         FetchByNumbers fetch, size_t batch, ServerRows::AheadFetch ahead, FetchNext next,
                         size_t firstBatch)
    : shape_(std::move(shape)), numbers_(std::move(numbers)), keyColumn_(keyColumn), fetch_(std::move(fetch)),
      batch_(std::max<size_t>(batch, 1)), firstBatch_(std::clamp<size_t>(firstBatch, 1, batch_)),
      ahead_(std::move(ahead)), next_(std::move(next)) {}

void BatchedRows::moveFirst() {
    if (numbers_.empty()) throw noCurrentRecord();
    position_ = 0;
}

void BatchedRows::moveLast() {
    if (numbers_.empty()) throw noCurrentRecord();
    position_ = numbers_.size() - 1;
}

void BatchedRows::moveNext() {
    if (position_ >= numbers_.size()) throw noCurrentRecord();
    ++position_;
}

void BatchedRows::hold() const {
    if (position_ >= from_ && position_ < to_) return;
    const size_t to = std::min(numbers_.size(), position_ + (position_ == 0 ? firstBatch_ : batch_));
    const std::vector<int64_t> wanted(numbers_.begin() + static_cast<std::ptrdiff_t>(position_),
                                      numbers_.begin() + static_cast<std::ptrdiff_t>(to));
    if (release_) release_(std::move(rows_));
    rows_.reset();
    byPosition_.clear();
    from_ = to_ = 0;
    std::shared_ptr<const ResultRows> rows = fetch_(wanted);
    std::unordered_map<int64_t, const std::vector<Value>*> byNumber;
    for (const std::vector<Value>& row : rows->rows)
        if (const auto n = wholeNumber(row[keyColumn_])) byNumber.emplace(*n, &row);
    byPosition_.reserve(wanted.size());
    // A row deleted since the scan began reads as nulls.
    for (const int64_t n : wanted) {
        const auto found = byNumber.find(n);
        byPosition_.push_back(found == byNumber.end() ? nullptr : found->second);
    }
    rows_ = std::move(rows);
    from_ = position_;
    to_ = to;
}

const Value& BatchedRows::cell(int fieldIndex) const {
    if (fieldIndex < 0 || static_cast<size_t>(fieldIndex) >= shape_->columns.size())
        throw fieldNotFound(std::u16string());
    if (position_ >= numbers_.size()) throw noCurrentRecord();
    hold();
    static const Value kNull = Value::null();
    const std::vector<Value>* row = byPosition_[position_ - from_];
    return row ? (*row)[static_cast<size_t>(fieldIndex)] : kNull;
}

bool BatchedRows::appendText(int fieldIndex, std::u16string& out) const {
    const Value& v = cell(fieldIndex);
    if (v.kind() != Value::Kind::Text) return false;
    out += v.asText();
    return true;
}

void BatchedRows::readAhead(size_t, const std::vector<ReadAheadLink>& links) const {
    if (position_ >= numbers_.size()) return;
    try {
        hold();
    } catch (const Error&) {
        return;  // the read of the row says so
    }
    if (!ahead_ || aheadFrom_ == from_) return;
    aheadFrom_ = from_;
    fetchLinked(ahead_, *shape_, byPosition_, links);
    if (next_ && to_ < numbers_.size()) {
        const auto from = numbers_.begin() + static_cast<std::ptrdiff_t>(to_);
        next_(std::vector<int64_t>(from, from + static_cast<std::ptrdiff_t>(std::min(batch_, numbers_.size() - to_))),
              links);
    }
}

}  // namespace scandrel::db::odbc
