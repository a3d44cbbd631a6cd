#pragma once
// Where a record set's rows come from: a table of a Jet file, or rows a database
// server sent. Recordset keeps the checks and names; a row set only moves and reads.
// Used on the thread that opened it.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "db/base/columns.h"
#include "db/base/stored_texts.h"
#include "text/value.h"

namespace scandrel::db {

// Reading ahead, for each related statement: the rows that its statement would give
// with the value of a row's field in place of its number.
struct ReadAheadLink {
    std::u16string_view statement;  // up to the number, as sent for earlier rows
    std::u16string_view field;      // the field of these rows that gives the number
};

class RowSet {
public:
    virtual ~RowSet() = default;

    virtual void moveFirst() = 0;  // 3021 when the set is empty
    virtual void moveLast() = 0;   // 3021 when the set is empty
    virtual void moveNext() = 0;   // 3021 when already at the end
    virtual bool eof() const = 0;
    virtual size_t count() const = 0;

    virtual const std::vector<ColumnInfo>& columns() const = 0;
    // Index of a field by name, without regard to case; -1 when there is none.
    virtual int find(std::u16string_view name) const = 0;
    // 3021 at the end of the set.
    virtual Value value(int fieldIndex) const = 0;
    virtual bool appendText(int fieldIndex, std::u16string& out) const = 0;
    // The same text as the source stores it, made UTF-16 later on any thread; a row
    // set whose texts are UTF-16 already gives them so.
    virtual bool appendStored(int fieldIndex, StoredTexts& out) const {
        std::u16string text;
        if (!appendText(fieldIndex, text)) return false;
        out.append(text);
        return true;
    }
    // See Recordset::readAhead.
    virtual void readAhead(size_t rows, const std::vector<ReadAheadLink>& links) const = 0;
};

}  // namespace scandrel::db
