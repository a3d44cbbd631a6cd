#include "db/jet/query.h"

#include <algorithm>

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

bool Query::readAheadDue(size_t rows) const {
    if (!engine_->plansReads() || position_ >= end_) return false;
    return aheadUntil_ <= position_ || aheadUntil_ - position_ <= rows / 2;
}

void Query::readAhead(size_t rows, const std::vector<Engine::AheadLink>& links) const {
    if (!readAheadDue(rows)) return;
    const size_t from = std::max(aheadUntil_, position_);
    const size_t to = std::min(end_, position_ + rows);
    if (from >= to) return;
    engine_->readAhead(*table_, *rows_, from, to, links);
    aheadUntil_ = to;
}

const RowBytes& Query::current() const {
    if (!current_ || currentReading_ != engine_->readings()) {
        current_ = engine_->locate((*rows_)[position_]);
        currentReading_ = engine_->readings();
    }
    return *current_;
}

const JetColumn& Query::column(int fieldIndex) const {
    if (fieldIndex < 0 || static_cast<size_t>(fieldIndex) >= table_->columns.size())
        throw fieldNotFound(std::u16string());
    if (position_ >= end_) throw noCurrentRecord();
    return table_->columns[static_cast<size_t>(fieldIndex)];
}

Value Query::value(int fieldIndex) const {
    const JetColumn& field = column(fieldIndex);
    return engine_->guarded([&] { return engine_->value(field, current().bytes); });
}

bool Query::appendText(int fieldIndex, std::u16string& out) const {
    const JetColumn& field = column(fieldIndex);
    const size_t mark = out.size();
    return engine_->guarded([&] {
        out.resize(mark);  // a second try starts again from what was there
        return engine_->appendText(field, current().bytes, out);
    });
}

bool Query::appendStored(int fieldIndex, StoredTexts& out) const {
    const JetColumn& field = column(fieldIndex);
    const size_t mark = out.size();
    return engine_->guarded([&] {
        out.keepFirst(mark);  // a second try starts again from what was there
        return engine_->appendStored(field, current().bytes, out);
    });
}

}  // namespace scandrel::db::jet
