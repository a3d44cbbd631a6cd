#pragma once
// Writes a new Jet 4 database file (the format of the host's .mdb files) with
// plain user tables: text, memo, long, integer, byte, boolean, date/time and
// double columns. Used by tests, the demo clinic and benchmarks; the program
// itself only reads databases.
//
// Rows are streamed: each data page goes to disk as soon as it is full, so a
// file of any size is written with little memory. Long memos are stored on
// long-value pages of their own. No indexes are written (readers scan).
//
// Anything the writer cannot store faithfully is refused with an Error
// (a text longer than its column, a row too large for a page, a value of the
// wrong kind, too many columns) instead of producing a file readers would
// disagree on.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "db/base/columns.h"
#include "text/value.h"

namespace scandrel::db::writer {

// Column types accepted: Text, Memo, Long, Integer, Byte, Boolean, DateTime, Double.
struct ColumnDef {
    std::u16string name;
    ColumnType type = ColumnType::Text;
    uint16_t textLength = 255;  // Text only: maximum characters, 1 to 255
};

struct TableDef {
    std::u16string name;
    std::vector<ColumnDef> columns;
};

// A linked table: only its catalog entry is written; its rows are in another Jet
// file (`database`, the back-end's path) or on a database server (`connect`, an
// ODBC connection string starting "ODBC;"), where the table is `foreignName`.
struct LinkDef {
    std::u16string name;
    std::u16string database;
    std::u16string connect;
    std::u16string foreignName;
};

class JetWriter {
public:
    // Creates (or overwrites) the file and checks the table definitions.
    JetWriter(const std::filesystem::path& path, std::vector<TableDef> tables);
    JetWriter(const JetWriter&) = delete;
    JetWriter& operator=(const JetWriter&) = delete;
    // If finish() was not called (or failed), the partial file is removed.
    ~JetWriter();

    // One value per column, in column order. Value kinds: Text for text and memo,
    // Long/Integer/Byte (any integer kind in range) for the integer columns,
    // Boolean for booleans, Date for date/time, Double (or any number) for double.
    // Null is allowed in every column except booleans.
    void addRow(size_t tableIndex, const std::vector<Value>& row);

    // Adds a linked table's catalog entry (before finish). Exactly one of `database`
    // and `connect` is given; the name is not one of the file's tables or links.
    void addLink(LinkDef link);

    // Adds a catalog entry of another kind than a table (a form, a report, a macro:
    // `type` as the catalog stores it, -32764 for a report), with its name only.
    void addObject(std::u16string name, int16_t type);

    // Writes the catalog, the usage maps and the header; the file is then complete.
    void finish();

    // Rows added so far to a table.
    size_t rowCount(size_t tableIndex) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace scandrel::db::writer
