#include "db/odbc/connection.h"

#include <limits>

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

}  // namespace

Connection::Connection(std::u16string_view connect, std::u16string_view dataSource)
    : environment_(SQL_HANDLE_ENV, SQL_NULL_HANDLE),
      connection_(SQL_HANDLE_DBC, odbc3(environment_)) {
    SQLSetConnectAttrW(connection_.get(), SQL_ATTR_LOGIN_TIMEOUT, number(kLoginTimeoutSeconds), 0);
    SQLSetConnectAttrW(connection_.get(), SQL_ATTR_CONNECTION_TIMEOUT, number(kQueryTimeoutSeconds), 0);
    SQLSetConnectAttrW(connection_.get(), SQL_ATTR_ACCESS_MODE, number(SQL_MODE_READ_ONLY), 0);
    // Lengths given, never SQL_NTS: a NUL in the text must not cut it short.
    if (connect.size() > static_cast<size_t>(std::numeric_limits<SQLSMALLINT>::max()))
        throw connectionFailed(dataSource, u"cadeia de conexão longa demais");
    const std::u16string text(connect);
    char16_t completed[1024] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN result =
        SQLDriverConnectW(connection_.get(), nullptr, const_cast<SQLWCHAR*>(wide(text)),
                          static_cast<SQLSMALLINT>(text.size()), wide(completed),
                          static_cast<SQLSMALLINT>(std::size(completed)), &length, SQL_DRIVER_NOPROMPT);
    if (!succeeded(result)) throw connectionFailed(dataSource, connection_.diagnostics());
    countRoundTrip();

    char16_t quote[8] = {};
    SQLSMALLINT quoteLength = 0;
    if (succeeded(SQLGetInfoW(connection_.get(), SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &quoteLength)) &&
        quote[0] != u' ')
        quote_.assign(quote, std::char_traits<char16_t>::length(quote));
}

std::u16string Connection::quoted(std::u16string_view name) const { return sqlName(name, quote_); }

std::shared_ptr<ResultRows> Connection::fetch(std::u16string_view sql) {
    const Handle statement(SQL_HANDLE_STMT, connection_.get());
    SQLSetStmtAttrW(statement.get(), SQL_ATTR_QUERY_TIMEOUT, number(kQueryTimeoutSeconds), 0);
    const StatementDeadline deadline(statement, limits_.time);
    // A failed call after the deadline is the deadline's, whatever the driver says.
    const auto check = [&](SQLRETURN result) {
        if (succeeded(result) || result == SQL_NO_DATA) return;
        if (deadline.expired()) throw statementTooLong();
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
        readers.emplace_back(statement, i, sqlType);
        result->columns.push_back(std::move(info));
    }
    size_t held = 0;
    try {
        while (true) {
            const SQLRETURN got = SQLFetch(statement.get());
            if (got == SQL_NO_DATA) break;
            check(got);
            std::vector<Value> row;
            row.reserve(readers.size());
            for (CellReader& reader : readers) row.push_back(reader.read());
            held += heldBytes(row);
            result->rows.push_back(std::move(row));
            if (result->rows.size() > limits_.rows || held > limits_.bytes) throw answerTooLarge(limits_.rows, limits_.bytes);
        }
    } catch (const Error&) {
        if (deadline.expired()) throw statementTooLong();
        throw;
    }
    return result;
}

}  // namespace scandrel::db::odbc
