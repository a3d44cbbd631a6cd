#pragma once
// The rows of a query on a Jet file, as a record set reads them.
#include <memory>

#include "db/jet/query.h"
#include "db/base/row_set.h"

namespace scandrel::db::jet {

class QueryRows final : public RowSet {
public:
    explicit QueryRows(std::unique_ptr<Query> query) : query_(std::move(query)) {}

    void moveFirst() override { query_->moveFirst(); }
    void moveLast() override { query_->moveLast(); }
    void moveNext() override { query_->moveNext(); }
    bool eof() const override { return query_->eof(); }
    size_t count() const override { return query_->count(); }
    const std::vector<ColumnInfo>& columns() const override { return query_->table().infos; }
    int find(std::u16string_view name) const override { return query_->table().find(name); }
    Value value(int fieldIndex) const override { return query_->value(fieldIndex); }
    bool appendText(int fieldIndex, std::u16string& out) const override {
        return query_->appendText(fieldIndex, out);
    }
    bool appendStored(int fieldIndex, StoredTexts& out) const override {
        return query_->appendStored(fieldIndex, out);
    }
    void readAhead(size_t rows, const std::vector<ReadAheadLink>& links) const override;

private:
    std::unique_ptr<Query> query_;
};

}  // namespace scandrel::db::jet
