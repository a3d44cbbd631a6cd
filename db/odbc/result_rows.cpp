#include "db/odbc/result_rows.h"

#include "db/base/errors.h"
#include "db/base/names.h"

namespace scandrel::db::odbc {

int ResultRows::find(std::u16string_view name) const {
    const std::u16string folded = foldName(name);
    for (size_t i = 0; i < foldedNames.size(); ++i)
        if (foldedNames[i] == folded) return static_cast<int>(i);
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

bool ServerRows::appendText(int fieldIndex, std::u16string& out) const {
    const Value& v = cell(fieldIndex);
    if (v.kind() != Value::Kind::Text) return false;
    out += v.asText();
    return true;
}

}  // namespace scandrel::db::odbc
