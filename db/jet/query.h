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

private:
    std::shared_ptr<Engine> engine_;
    std::shared_ptr<const TableDef> table_;
    std::shared_ptr<const RowList> rows_;
    size_t begin_;
    size_t end_;
    size_t position_;
    mutable std::optional<RowBytes> current_;  // bytes of the row at position_, once looked up
    mutable uint32_t currentReading_ = 0;      // the engine's readings() when they were
};

}  // namespace scandrel::db::jet
