#include "db/odbc/connection.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "db/base/names.h"
#include "db/odbc/cell_reader.h"
#include "db/base/errors.h"
#include "db/odbc/round_trips.h"
#include "db/odbc/sql_name.h"
#include "db/odbc/statement_deadline.h"

namespace scandrel::db::odbc {
namespace {

SQLPOINTER number(SQLULEN n) { return reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(n)); }

// The environment, asking for the behaviour of ODBC 3.
SQLHANDLE odbc3(const Handle& environment) {
    SQLSetEnvAttr(environment.get(), SQL_ATTR_ODBC_VERSION, number(SQL_OV_ODBC3), 0);
    return environment.get();
}

// The memory a row takes here, near enough.
size_t heldBytes(const std::vector<Value>& row) {
    size_t bytes = sizeof row + row.size() * sizeof(Value);
    for (const Value& v : row) {
        if (v.kind() == Value::Kind::Text) bytes += v.asText().size() * sizeof(char16_t);
        else if (v.kind() == Value::Kind::Binary) bytes += v.asBinary().size();
    }
    return bytes;
}

// Bytes bound for one rowset at most, and its rows at most.
constexpr size_t kRowsetBytes = size_t{1} << 20;
constexpr size_t kMostRowsAtOnce = 256;

}  // namespace

size_t Connection::bindColumns(const Handle& statement, std::vector<CellReader>& readers,
                               const std::vector<ColumnInfo>& columns, SQLULEN* fetched, bool rowsets) {
    // Every column of known size is bound where the driver reads the others with
    // SQLGetData in any order; else those before the first one that is not.
    std::vector<size_t> bound;
    bool all = true;
    size_t perRow = 0;
    for (size_t i = 0; i < readers.size(); ++i) {
        if (readers[i].bindable(columns[i]) && (all || getDataAnyColumn_)) {
            bound.push_back(i);
            perRow += readers[i].bytesPerRow(columns[i]);
        } else {
            all = false;
        }
    }
    // Rowsets of many rows only when no value is left for SQLGetData, which reads
    // the current row alone.
    size_t rows =
        all && rowsets ? std::clamp<size_t>(kRowsetBytes / std::max<size_t>(perRow, 1), 1, kMostRowsAtOnce) : 1;
    // Each column's room whole SQLLENs long, so that the next is aligned for its lengths.
    const auto units = [&](size_t i) {
        return (rows * readers[i].bytesPerRow(columns[i]) + sizeof(SQLLEN) - 1) / sizeof(SQLLEN);
    };
    size_t total = 0;
    for (const size_t i : bound) total += units(i);
    if (boundRoom_.size() < total) boundRoom_.resize(total);
    size_t at = 0;
    for (const size_t i : bound) {
        readers[i].bind(columns[i], rows, reinterpret_cast<unsigned char*>(boundRoom_.data() + at));
        at += units(i);
    }
    if (rows > 1) {
        SQLULEN granted = 0;
        if (!succeeded(SQLSetStmtAttrW(statement.get(), SQL_ATTR_ROW_ARRAY_SIZE, number(rows), 0)) ||
            !succeeded(SQLGetStmtAttrW(statement.get(), SQL_ATTR_ROW_ARRAY_SIZE, &granted, 0, nullptr)) ||
            granted != rows ||
            !succeeded(SQLSetStmtAttrW(statement.get(), SQL_ATTR_ROWS_FETCHED_PTR, fetched, 0))) {
            SQLSetStmtAttrW(statement.get(), SQL_ATTR_ROW_ARRAY_SIZE, number(1), 0);
            rows = 1;
        }
    }
    return rows;
}

Connection::Connection(std::u16string_view connect, std::u16string_view dataSource, TextEncoding encoding)
    : environment_(SQL_HANDLE_ENV, SQL_NULL_HANDLE),
      connection_(SQL_HANDLE_DBC, odbc3(environment_)),
      encoding_(encoding) {
    SQLSetConnectAttrW(connection_.get(), SQL_ATTR_LOGIN_TIMEOUT, number(kLoginTimeoutSeconds), 0);
    SQLSetConnectAttrW(connection_.get(), SQL_ATTR_CONNECTION_TIMEOUT, number(kQueryTimeoutSeconds), 0);
    SQLSetConnectAttrW(connection_.get(), SQL_ATTR_ACCESS_MODE, number(SQL_MODE_READ_ONLY), 0);
    // Lengths given, never SQL_NTS: a NUL in the text must not cut it short.
    if (connect.size() > static_cast<size_t>(std::numeric_limits<SQLSMALLINT>::max()))
        throw connectionFailed(dataSource, u"cadeia de conexão longa demais");
    // The completed string is not asked for: nothing here reads it, and it is as long
    // as the driver makes it (PostgreSQL's lists every option, with the link's host or
    // socket folder), so no buffer of ours is left for a driver to misjudge.
    const std::u16string text(connect);
    const SQLRETURN result =
        SQLDriverConnectW(connection_.get(), nullptr, const_cast<SQLWCHAR*>(wide(text)),
                          static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!succeeded(result)) throw connectionFailed(dataSource, connection_.diagnostics());
    countRoundTrip();

    char16_t quote[8] = {};
    SQLSMALLINT quoteLength = 0;
    if (succeeded(SQLGetInfoW(connection_.get(), SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &quoteLength)) &&
        quote[0] != u' ')
        quote_.assign(quote, std::char_traits<char16_t>::length(quote));
    if (encoding_ == TextEncoding::Utf16 && givesUtf8()) encoding_ = TextEncoding::Utf8;

    SQLUINTEGER extensions = 0;
    if (succeeded(SQLGetInfoW(connection_.get(), SQL_GETDATA_EXTENSIONS, &extensions, sizeof extensions, nullptr))) {
        getDataAnyColumn_ = (extensions & SQL_GD_ANY_COLUMN) != 0;
        getDataBound_ = (extensions & SQL_GD_BOUND) != 0;
    }
}

std::u16string Connection::quoted(std::u16string_view name) const { return sqlName(name, quote_); }

bool Connection::givesUtf8() {
    // A text of one, two and four bytes a character: a driver that converts to a code
    // page, or to anything but UTF-8, gives other bytes or fails.
    static constexpr std::u16string_view kProbe = u"SELECT 'a\u00E9\U0001F600z'";
    static constexpr std::string_view kAsUtf8 = "a\xC3\xA9\xF0\x9F\x98\x80z";
    const Handle statement(SQL_HANDLE_STMT, connection_.get());
    SQLSetStmtAttrW(statement.get(), SQL_ATTR_QUERY_TIMEOUT, number(kQueryTimeoutSeconds), 0);
    const StatementDeadline deadline(statement, limits_.time);
    countRoundTrip();
    std::u16string sql(kProbe);
    if (!succeeded(SQLExecDirectW(statement.get(), const_cast<SQLWCHAR*>(wide(sql)), static_cast<SQLINTEGER>(sql.size()))) ||
        !succeeded(SQLFetch(statement.get())))
        return false;
    char got[32] = {};
    SQLLEN length = 0;
    if (!succeeded(SQLGetData(statement.get(), 1, SQL_C_CHAR, got, sizeof got, &length)) ||
        length != static_cast<SQLLEN>(kAsUtf8.size()))
        return false;
    return std::string_view(got, kAsUtf8.size()) == kAsUtf8;
}

std::optional<std::u16string> Connection::primaryKey(std::u16string_view table) {
    const std::lock_guard sending(sending_);
    const Handle statement(SQL_HANDLE_STMT, connection_.get());
    SQLSetStmtAttrW(statement.get(), SQL_ATTR_QUERY_TIMEOUT, number(kQueryTimeoutSeconds), 0);
    const StatementDeadline deadline(statement, limits_.time);
    const std::u16string name(table);
    if (name.size() > static_cast<size_t>(std::numeric_limits<SQLSMALLINT>::max())) return std::nullopt;
    countRoundTrip();
    const SQLRETURN asked = SQLPrimaryKeysW(statement.get(), nullptr, 0, nullptr, 0, const_cast<SQLWCHAR*>(wide(name)),
                                            static_cast<SQLSMALLINT>(name.size()));
    if (!succeeded(asked)) {
        deadline.throwIfStopped();
        statement.check(asked);
    }
    std::optional<std::u16string> key;
    for (int rows = 0;; ++rows) {
        const SQLRETURN got = SQLFetch(statement.get());
        if (got == SQL_NO_DATA) break;
        if (!succeeded(got)) {
            deadline.throwIfStopped();
            statement.check(got);
        }
        if (rows > 0) return std::nullopt;  // a key of several columns
        char16_t column[256] = {};
        SQLLEN length = 0;
        const SQLRETURN read = SQLGetData(statement.get(), 4, SQL_C_WCHAR, column, sizeof column, &length);
        if (!succeeded(read)) {
            deadline.throwIfStopped();
            statement.check(read);
        }
        if (length == SQL_NULL_DATA || length < 0) return std::nullopt;
        key.emplace(column, std::char_traits<char16_t>::length(column));
    }
    deadline.throwIfStopped();  // rows that ended because the statement was cancelled
    return key;
}

std::shared_ptr<ResultRows> Connection::fetch(std::u16string_view sql) {
    const std::lock_guard sending(sending_);
    return fetch(sql, limits_.rows, limits_.bytes, false);
}

std::shared_ptr<ResultRows> Connection::fetchAtMost(std::u16string_view sql, size_t rows, size_t bytes) {
    const std::lock_guard sending(sending_);
    const bool within = rows < limits_.rows || bytes < limits_.bytes;
    return fetch(sql, std::min(rows, limits_.rows), std::min(bytes, limits_.bytes), within);
}

void Connection::setLimits(const Limits& limits) {
    const std::lock_guard sending(sending_);
    limits_ = limits;
}

std::shared_ptr<ResultRows> Connection::fetch(std::u16string_view sql, size_t mostRows, size_t mostBytes,
                                              bool nullPast) {
    Fetching fetching = Fetching::Rowsets;
    while (true) {
        bool complete = true;
        std::shared_ptr<ResultRows> rows = fetchOnce(sql, mostRows, mostBytes, nullPast, fetching, complete);
        if (complete || fetching == Fetching::Unbound) return rows;
        fetching = fetching == Fetching::Rowsets && getDataBound_ ? Fetching::Rows : Fetching::Unbound;
    }
}

std::shared_ptr<ResultRows> Connection::fetchOnce(std::u16string_view sql, size_t mostRows, size_t mostBytes,
                                                  bool nullPast, Fetching fetching, bool& complete) {
    const Handle statement(SQL_HANDLE_STMT, connection_.get());
    SQLSetStmtAttrW(statement.get(), SQL_ATTR_QUERY_TIMEOUT, number(kQueryTimeoutSeconds), 0);
    const StatementDeadline deadline(statement, limits_.time);
    // A failed call after the deadline or the run's cancel is theirs, whatever the
    // driver says.
    const auto check = [&](SQLRETURN result) {
        if (succeeded(result) || result == SQL_NO_DATA) return;
        deadline.throwIfStopped();
        statement.check(result);
    };
    const std::u16string text(sql);
    countRoundTrip();
    if (text.size() > static_cast<size_t>(std::numeric_limits<SQLINTEGER>::max())) throw callFailed({});
    check(SQLExecDirectW(statement.get(), const_cast<SQLWCHAR*>(wide(text)), static_cast<SQLINTEGER>(text.size())));

    auto result = std::make_shared<ResultRows>();
    SQLSMALLINT count = 0;
    check(SQLNumResultCols(statement.get(), &count));
    std::vector<CellReader> readers;
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
        char16_t name[256] = {};
        SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        check(SQLDescribeColW(statement.get(), i, wide(name), static_cast<SQLSMALLINT>(std::size(name)), &nameLength,
                              &sqlType, &size, &digits, &nullable));
        ColumnInfo info = columnInfo(sqlType, size, digits);
        info.name.assign(name, std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(nameLength, 0)),
                                                std::size(name) - 1));
        result->foldedNames.push_back(foldName(info.name));
        readers.emplace_back(statement, i, sqlType, encoding_);
        result->columns.push_back(std::move(info));
    }
    SQLULEN fetched = 0;
    const size_t rowsAtOnce = fetching == Fetching::Unbound
                                  ? 1
                                  : bindColumns(statement, readers, result->columns, &fetched,
                                                fetching == Fetching::Rowsets);
    size_t held = 0;
    try {
        while (true) {
            const SQLRETURN got = SQLFetch(statement.get());
            if (got == SQL_NO_DATA) break;
            check(got);
            const size_t rows = rowsAtOnce > 1 ? std::min<size_t>(fetched, rowsAtOnce) : 1;
            for (size_t at = 0; at < rows; ++at) {
                std::vector<Value> row;
                row.reserve(readers.size());
                for (CellReader& reader : readers) {
                    if (!reader.bound()) {
                        row.push_back(reader.read());
                        continue;
                    }
                    bool cut = false;
                    Value value = reader.at(at, cut);
                    // A value longer than its room is read whole at its row, where the
                    // driver can and the rowset holds that row alone; else the statement
                    // is sent again the next way. (A row of a larger rowset is never
                    // reached with SQLSetPos: MariaDB's driver then skips rows at the
                    // next fetch and gives no data for the next row positioned.)
                    if (cut) {
                        if (rowsAtOnce > 1 || !getDataBound_) {
                            complete = false;
                            return nullptr;
                        }
                        value = reader.read();
                    }
                    row.push_back(std::move(value));
                }
                held += heldBytes(row);
                result->rows.push_back(std::move(row));
                if (result->rows.size() > mostRows || held > mostBytes) {
                    if (nullPast) return nullptr;
                    throw answerTooLarge(mostRows, mostBytes);
                }
            }
        }
    } catch (const Error&) {
        deadline.throwIfStopped();
        throw;
    }
    deadline.throwIfStopped();  // rows that ended because the statement was cancelled
    return result;
}

}  // namespace scandrel::db::odbc
