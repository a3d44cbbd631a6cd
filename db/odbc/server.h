#pragma once
// A database server that linked tables live on, reached through ODBC with the
// connection string stored with the links. Connected when it is first needed.
//
// Round trips and memory, in this order:
//  1. A scan in an order (ORDER BY) of a table with a primary key of one whole-number
//     column asks for the keys and the order's column, orders them here, and then
//     fetches the rows a batch of kPatientsPerBatch keys at a time, in that order
//     (see batched_rows.h). Any other scan fetches the table's rows in one
//     statement; they are kept for as long as the front-end stays open.
//  2. While the search moves through a scan, it names the related statements its
//     rows lead to (Recordset::readAhead); for each, the numbers of the next
//     kPatientsPerBatch rows are asked in one statement (WHERE column IN (...)),
//     and only the last such batch of each table is held. Related rows thus come a
//     batch of patients at a time, in the patients' order: round trips grow with
//     patients / kPatientsPerBatch, memory with the batch, not with the clinic.
//  2a. While the search reads a batch, the next batch's statements (its rows, then
//     the related statements that went to this server for the batch before, with
//     the next batch's numbers) are sent ahead on a thread of their own
//     (statements_ahead.h) and their answers wait until the search sends the same
//     statements: at most two batches are held, the one read and the next. The
//     related statements by the scan's own key need only the batch's numbers: they
//     go at once, beside the batch's rows, on a second connection to the server
//     (made at its first statement; the first sends them when it can't be made),
//     and the first connection takes those left once it has the batch's rows.
//  3. A query by number answered by the table's batch is looked up in memory.
//  4. Any other query by number is sent on its own for the first kSingleQueries
//     numbers of a table; after that the table is fetched whole and looked up in
//     memory if it holds at most kMostRowsHeldWhole rows and kMostBytesHeldWhole
//     bytes (a list of procedures or plans), else each is sent on its own.
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/base/names.h"
#include "db/base/row_set.h"
#include "db/base/sql.h"
#include "db/odbc/result_rows.h"

namespace scandrel::db::odbc {

class Connection;
class StatementsAhead;

// Time limits, in seconds: a server that does not answer never holds the search.
inline constexpr unsigned kLoginTimeoutSeconds = 15;
inline constexpr unsigned kQueryTimeoutSeconds = 60;
// What one statement's answer may hold: a server that sends without end never
// exhausts the host's memory.
inline constexpr size_t kMostRowsPerStatement = 5'000'000;
inline constexpr size_t kMostBytesPerStatement = size_t{1} << 30;

class Server {
public:
    // Queries by number sent one by one to a table before the whole table is fetched.
    static constexpr int kSingleQueries = 2;
    // Rows of a scan whose related rows are asked in one statement per related table.
    static constexpr size_t kPatientsPerBatch = 1000;
    // ... but the first batch of a scan whose next batches are sent ahead (2a).
    static constexpr size_t kPatientsInFirstBatch = 100;
    // A table fetched whole for its queries by number holds at most this much.
    static constexpr size_t kMostRowsHeldWhole = 20'000;
    static constexpr size_t kMostBytesHeldWhole = size_t{16} << 20;

    // `connect` as the link of `table` stores it ("ODBC;DSN=...;..."). 3151 when the
    // link may not use that string (nothing is then loaded or connected) or when no
    // connection can be made.
    Server(std::u16string_view connect, std::u16string_view table);
    ~Server();

    // The statement's table is the server's name of it. 3265 unknown column, 3464 a
    // WHERE on a text column, 3146 a failed call (a table the server does not have too).
    // A scan's rows fetch the related rows ahead through `ahead` (see 2 above).
    std::unique_ptr<RowSet> open(const SelectStatement& statement, ServerRows::AheadFetch ahead = {});
    // The rows of `statement` (WHERE column = any number) for each of `numbers`, kept
    // for the queries by number that follow. Never fails: a failure is kept and
    // given to the query that needed those rows.
    void fetchAhead(const SelectStatement& statement, const std::vector<int64_t>& numbers);
    std::vector<ColumnInfo> columns(std::u16string_view table);
    // For tests: another number of rows per batch for the scans opened after, and
    // whether the next batch is sent ahead (2a); the statements sent ahead.
    void setPatientsPerBatch(size_t rows) { patientsPerBatch_ = rows; }
    void setSendAhead(bool on) { sendAhead_ = on; }
    void setMostRowsPerStatement(size_t rows);
    const StatementsAhead& statementsAhead() const;

private:
    struct Table;
    Table& table(std::u16string_view name);
    std::unique_ptr<RowSet> scanInBatches(Table& t, size_t orderColumn, bool descending, ServerRows::AheadFetch& ahead);
    static size_t whereColumn(const ResultRows& shape, const SelectStatement::Where& where);
    struct Ahead;
    // The answer to `sql`: sent ahead already, else sent now.
    static std::shared_ptr<const ResultRows> fetchSent(Connection& connection, Ahead& ahead, const std::u16string& sql);

    std::shared_ptr<Connection> connection_;  // also held, weakly, by scans in batches
    std::shared_ptr<Ahead> ahead_;            // likewise; dropped (its thread ended) first
    std::u16string dataSource_;
    std::map<std::u16string, std::unique_ptr<Table>> tables_;  // by folded name
    ByExactText<Table*> byName_;  // the same, by the names statements gave them
    size_t patientsPerBatch_ = kPatientsPerBatch;
    bool sendAhead_ = true;
};

}  // namespace scandrel::db::odbc
