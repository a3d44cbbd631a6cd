#include "db/jet/query.h"

#include "db/jet/errors.h"

namespace scandrel::db::jet {

Query::Query(std::shared_ptr<Engine> engine, std::shared_ptr<const TableDef> table,
             std::shared_ptr<const RowList> rows, size_t begin, size_t end)
    : engine_(std::move(engine)), table_(std::move(table)), rows_(std::move(rows)), begin_(begin), end_(end),
      position_(begin) {}

void Query::moveFirst() {
    if (begin_ == end_) throw noCurrentRecord();
    position_ = begin_;
    current_.reset();
}

void Query::moveLast() {
    if (begin_ == end_) throw noCurrentRecord();
    position_ = end_ - 1;
    current_.reset();
}

void Query::moveNext() {
    if (position_ >= end_) throw noCurrentRecord();
    ++position_;
    current_.reset();
}

Value Query::value(int fieldIndex) const {
    if (fieldIndex < 0 || static_cast<size_t>(fieldIndex) >= table_->columns.size())
        throw fieldNotFound(std::u16string());
    if (position_ >= end_) throw noCurrentRecord();
    return engine_->guarded([&] {
        if (!current_ || currentReading_ != engine_->readings()) {
            current_ = engine_->locate((*rows_)[position_]);
            currentReading_ = engine_->readings();
        }
        return engine_->value(table_->columns[static_cast<size_t>(fieldIndex)], current_->bytes);
    });
}

}  // namespace scandrel::db::jet
