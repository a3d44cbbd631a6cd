#pragma once
// The database as the search sees it: open a file read only, open record sets
// from the small SQL subset the search sends, move through rows, read fields.
// Shaped like the data-access objects a Windows host uses, with their error numbers
// (db/base/errors.h).
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/base/columns.h"
#include "db/base/errors.h"
#include "db/base/row_set.h"
#include "text/value.h"

namespace scandrel::db {

namespace jet { class ByteSource; }
class JetFile;

class Recordset {
public:
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;
    ~Recordset();

    void moveFirst();   // 3021 when the set is empty
    void moveLast();    // 3021 when the set is empty
    void moveNext();    // 3021 when already at the end
    bool eof() const;
    int32_t recordCount() const;

    const std::vector<ColumnInfo>& columns() const;
    // Index of a field by name, without regard to case; 3265 when there is none.
    int fieldIndex(std::u16string_view name) const;
    // Value at the current row; 3021 at the end of the set.
    Value value(int fieldIndex) const;
    Value field(std::u16string_view name) const { return value(fieldIndex(name)); }
    // Appends the value of a text or memo field to `out` without making a Value of it
    // (the search joins many); false, with nothing appended, for a null or a field of
    // another type, which value() reads. 3021 at the end of the set.
    bool appendText(int fieldIndex, std::u16string& out) const;
    // The same text as the file stores it, to be made UTF-16 later, on any thread (the
    // search's memos: read by one thread, converted by another).
    bool appendStored(int fieldIndex, StoredTexts& out) const;

    // Reading ahead, for a file on a network too large to be kept whole: the rows
    // after the current one, `rows` of them, are read before they are needed, in file
    // order, neighbouring pages in one read, many reads at once, with the memos they
    // point at and, for each link, the rows that its statement would give with the
    // row's value in its field, with their memos. Reads nothing elsewhere; never
    // fails, never moves the set.
    using Link = ReadAheadLink;
    void readAhead(size_t rows, const std::vector<Link>& links) const;

    explicit Recordset(std::unique_ptr<RowSet> rows);

private:
    std::unique_ptr<RowSet> rows_;
};

// Whether queries on linked tables go where the links point. Files of unknown origin
// (fuzzing) are read with their links left alone: a link names any file to open and
// any ODBC driver to load.
enum class LinkPolicy : uint8_t { Follow, Ignore };

class Database {
public:
    // Read only, shared with a host that may be writing: no lock, no lock file.
    // 3024 missing file or folder, 3051 cannot open (permissions), 3343 not a database we read.
    // With links ignored, a linked table is listed but a query on it gives 3078.
    static Database open(const std::filesystem::path& path, LinkPolicy links = LinkPolicy::Follow);
    // The same for a database held in memory (tests, fuzzing); `name` stands for
    // the file name in error descriptions. Its links are left alone: it has no folder
    // of its own, and its origin is unknown.
    static Database fromBytes(std::vector<uint8_t> bytes, std::u16string_view name = u"(memória)");
    // The same for any source of bytes (benchmarks: a source that counts or waits);
    // `cacheBytes`, when not 0, instead of the engine's memory budget for pages (tests:
    // a file larger than the pages kept). Links left alone, as with fromBytes.
    static Database fromSource(std::unique_ptr<jet::ByteSource> source, std::u16string_view name,
                               size_t cacheBytes = 0);

    Database(Database&&) noexcept;
    Database& operator=(Database&&) noexcept;
    ~Database();

    // SELECT * FROM t [WHERE c = n] [ORDER BY c [ASC|DESC]], case-insensitive,
    // names plain or in brackets. 3078 unknown table, 3265 unknown column,
    // syntax errors for anything else.
    // A linked table is read where its rows are: the back-end file is opened at the
    // first query on it (3024 missing, 3343 not a database we read, 3011 no such
    // table there or links that lead round in a circle), the database server is
    // reached through ODBC (3151 connection failed, 3146 a call failed).
    Recordset openRecordset(std::u16string_view sql) const;

    // Called with every statement openRecordset receives, as received, before it is
    // answered (tests: the statements a search sends). Nothing by default.
    using StatementObserver = std::function<void(std::u16string_view sql)>;
    void observeStatements(StatementObserver observer) { observer_ = std::move(observer); }

    // User tables and linked tables in catalog order.
    std::vector<std::u16string> tableNames() const;
    // 3078 unknown table; for a linked table, the columns where its rows are.
    std::vector<ColumnInfo> columns(std::u16string_view table) const;
    // Whether the catalog has `table` as a link (followed or not).
    bool isLinked(std::u16string_view table) const;
    // Where a linked table's rows are ("clinica.mdb", the server's data source),
    // as the catalog names it, never with a password; empty for a local table.
    std::u16string linkTarget(std::u16string_view table) const;

private:
    explicit Database(std::unique_ptr<JetFile> file);

    std::unique_ptr<JetFile> file_;
    StatementObserver observer_;
};

}  // namespace scandrel::db
