#include "db/odbc/result_rows.h"

#include <algorithm>

#include "db/base/columns.h"
#include "db/base/errors.h"
#include "db/base/names.h"
#include "db/base/value_order.h"
#include "db/odbc/row_order.h"

namespace scandrel::db::odbc {

int ResultRows::find(std::u16string_view name) const {
    // Folded as compared, a character at a time: the search asks for fields by name
    // for every row it reads.
    for (size_t i = 0; i < foldedNames.size(); ++i) {
        const std::u16string& folded = foldedNames[i];
        const auto same = [](char16_t asked, char16_t held) { return foldCase(asked) == held; };
        if (folded.size() == name.size() && std::equal(name.begin(), name.end(), folded.begin(), same))
            return static_cast<int>(i);
    }
    return -1;
}

ServerRows::ServerRows(std::shared_ptr<const ResultRows> data, std::shared_ptr<const Picked> picked, size_t begin,
                       size_t end)
    : data_(std::move(data)), picked_(std::move(picked)), begin_(begin), end_(end), position_(begin) {}

void ServerRows::moveFirst() {
    if (begin_ == end_) throw noCurrentRecord();
    position_ = begin_;
}

void ServerRows::moveLast() {
    if (begin_ == end_) throw noCurrentRecord();
    position_ = end_ - 1;
}

void ServerRows::moveNext() {
    if (position_ >= end_) throw noCurrentRecord();
    ++position_;
}

const Value& ServerRows::cell(int fieldIndex) const {
    if (fieldIndex < 0 || static_cast<size_t>(fieldIndex) >= data_->columns.size())
        throw fieldNotFound(std::u16string());
    if (position_ >= end_) throw noCurrentRecord();
    return data_->rows[(*picked_)[position_]][static_cast<size_t>(fieldIndex)];
}

void ServerRows::fetchAheadWith(AheadFetch fetch, size_t batch) {
    ahead_ = std::move(fetch);
    aheadBatch_ = std::max<size_t>(batch, 1);
    aheadUntil_ = 0;
}

void ServerRows::readAhead(size_t, const std::vector<ReadAheadLink>& links) const {
    if (!ahead_ || position_ >= end_ || position_ < aheadUntil_) return;
    const size_t to = std::min(end_, position_ + aheadBatch_);
    std::vector<const std::vector<Value>*> rows;
    rows.reserve(to - position_);
    for (size_t at = position_; at < to; ++at) rows.push_back(&data_->rows[(*picked_)[at]]);
    aheadUntil_ = to;
    fetchLinked(ahead_, *data_, rows, links);
}

void fetchLinked(const ServerRows::AheadFetch& fetch, const ResultRows& shape,
                 const std::vector<const std::vector<Value>*>& rows, const std::vector<ReadAheadLink>& links) {
    for (const ReadAheadLink& link : links) {
        const int column = shape.find(link.field);
        if (column < 0) continue;
        std::vector<int64_t> numbers;
        numbers.reserve(rows.size());
        for (const std::vector<Value>* row : rows) {
            if (!row) continue;
            const Value& v = (*row)[static_cast<size_t>(column)];
            if (const auto n = v.isNull() ? std::optional<int64_t>(0) : wholeNumber(v)) numbers.push_back(*n);
        }
        std::sort(numbers.begin(), numbers.end());
        numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
        fetch(link.statement, numbers);
    }
}

bool ServerRows::appendText(int fieldIndex, std::u16string& out) const {
    const Value& v = cell(fieldIndex);
    if (v.kind() != Value::Kind::Text) return false;
    out += v.asText();
    return true;
}

}  // namespace scandrel::db::odbc
