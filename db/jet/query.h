#pragma once
// The state of one record set: the rows it holds and the current position.
#include <cstddef>
#include <memory>
#include <optional>

#include "db/jet/engine.h"

namespace scandrel::db::jet {

class Query {
public:
    Query(std::shared_ptr<Engine> engine, std::shared_ptr<const TableDef> table, std::shared_ptr<const RowList> rows,
          size_t begin, size_t end);

    void moveFirst();
    void moveLast();
    void moveNext();
    bool eof() const { return position_ >= end_; }
    size_t count() const { return end_ - begin_; }
    const TableDef& table() const { return *table_; }
    Value value(int fieldIndex) const;
    // Appends the field's text to `out` when it is a text or memo field holding a
    // value, without making a value of it; false, and nothing appended, otherwise.
    bool appendText(int fieldIndex, std::u16string& out) const;
    // The same text as the file stores it, made UTF-16 later (StoredTexts).
    bool appendStored(int fieldIndex, StoredTexts& out) const;
    // Where the engine plans reads, reads the rows after the current one ahead, `rows`
    // of them, with the rows of the links (see Engine::readAhead), a batch at a time:
    // when fewer than half of them are left read.
    void readAhead(size_t rows, const std::vector<Engine::AheadLink>& links) const;
    // Whether readAhead(rows, ...) would read anything now.
    bool readAheadDue(size_t rows) const;

private:
    const RowBytes& current() const;
    // The column of a field of the current row: 3265 for no such field, 3021 at the end.
    const JetColumn& column(int fieldIndex) const;

    std::shared_ptr<Engine> engine_;
    std::shared_ptr<const TableDef> table_;
    std::shared_ptr<const RowList> rows_;
    size_t begin_;
    size_t end_;
    size_t position_;
    mutable std::optional<RowBytes> current_;  // bytes of the row at position_, once looked up
    mutable uint32_t currentReading_ = 0;      // the engine's readings() when they were
    mutable size_t aheadUntil_ = 0;            // rows before this one have been read ahead
};

}  // namespace scandrel::db::jet
