#include "testing/servers/table_lock.h"

#include <stdexcept>

#include "db/odbc/handle.h"
#include "text/utf.h"

namespace scandrel::db::odbc::testing {
namespace {

SQLPOINTER number(SQLULEN n) { return reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(n)); }

SQLHANDLE odbc3(const Handle& environment) {
    SQLSetEnvAttr(environment.get(), SQL_ATTR_ODBC_VERSION, number(SQL_OV_ODBC3), 0);
    return environment.get();
}

}  // namespace

struct TableLock::Client {
    Handle environment{SQL_HANDLE_ENV, SQL_NULL_HANDLE};
    Handle connection{SQL_HANDLE_DBC, odbc3(environment)};
    bool transaction = false;

    void run(const std::u16string& sql) {
        const Handle statement(SQL_HANDLE_STMT, connection.get());
        const SQLRETURN result = SQLExecDirectW(statement.get(), const_cast<SQLWCHAR*>(wide(sql)),
                                                static_cast<SQLINTEGER>(sql.size()));
        if (!succeeded(result)) throw std::runtime_error("the lock failed: " + toUtf8(statement.diagnostics()));
    }
};

TableLock::TableLock(const TestServer& server, const std::u16string& table) : client_(std::make_unique<Client>()) {
    const std::u16string connect = server.connectString().substr(5);  // without "ODBC;"
    SQLSMALLINT length = 0;
    if (!succeeded(SQLDriverConnectW(client_->connection.get(), nullptr, const_cast<SQLWCHAR*>(wide(connect)),
                                     static_cast<SQLSMALLINT>(connect.size()), nullptr, 0, &length,
                                     SQL_DRIVER_NOPROMPT)))
        throw std::runtime_error("no connection for the lock: " + toUtf8(client_->connection.diagnostics()));
    // Both servers run with ANSI quotes.
    const std::u16string quoted = u"\"" + table + u"\"";
    if (server.kind() == ServerKind::PostgreSQL) {
        // The lock lasts as long as the transaction, which the driver opens.
        SQLSetConnectAttrW(client_->connection.get(), SQL_ATTR_AUTOCOMMIT, number(SQL_AUTOCOMMIT_OFF), 0);
        client_->transaction = true;
        client_->run(u"LOCK TABLE " + quoted + u" IN ACCESS EXCLUSIVE MODE");
    } else {
        client_->run(u"LOCK TABLES " + quoted + u" WRITE");
    }
}

TableLock::~TableLock() {
    if (client_->transaction) SQLEndTran(SQL_HANDLE_DBC, client_->connection.get(), SQL_ROLLBACK);
    // Disconnecting ends the session, and with it a lock of MariaDB's.
}

}  // namespace scandrel::db::odbc::testing
