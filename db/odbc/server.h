#pragma once
// A database server that linked tables live on, reached through ODBC with the
// connection string stored with the links. Connected when it is first needed.
//
// Round trips: a table's rows are asked for once and kept for as long as the
// front-end stays open. Queries by record number (the search sends one per related
// table per patient) are sent on their own only for the first few numbers of a
// table; after that the whole table is fetched in one statement and looked up in
// memory, so a search makes a fixed number of round trips, not one per patient.
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/base/sql.h"
#include "db/base/row_set.h"

namespace scandrel::db::odbc {

class Connection;

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

    // `connect` as the link of `table` stores it ("ODBC;DSN=...;..."). 3151 when the
    // link may not use that string (nothing is then loaded or connected) or when no
    // connection can be made.
    Server(std::u16string_view connect, std::u16string_view table);
    ~Server();

    // The statement's table is the server's name of it. 3265 unknown column, 3464 a
    // WHERE on a text column, 3146 a failed call (a table the server does not have too).
    std::unique_ptr<RowSet> open(const SelectStatement& statement);
    std::vector<ColumnInfo> columns(std::u16string_view table);

private:
    struct Table;
    Table& table(std::u16string_view name);

    std::unique_ptr<Connection> connection_;
    std::u16string dataSource_;
    std::map<std::u16string, std::unique_ptr<Table>> tables_;
};

}  // namespace scandrel::db::odbc
