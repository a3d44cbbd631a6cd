#pragma once
// Another client of a test server holding a lock on one of its tables, so that every
// statement that reads the table waits on the server until the lock is given back:
// PostgreSQL "LOCK TABLE ... IN ACCESS EXCLUSIVE MODE" in a transaction left open,
// MariaDB "LOCK TABLES ... WRITE". Taken and given back on the thread that makes it.
#include <memory>
#include <string>

#include "testing/servers/test_server.h"

namespace scandrel::db::odbc::testing {

class TableLock {
public:
    // Returns once the lock is held; std::runtime_error when it can't be taken.
    TableLock(const TestServer& server, const std::u16string& table);
    ~TableLock();  // given back, and the client gone
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

private:
    struct Client;
    std::unique_ptr<Client> client_;
};

}  // namespace scandrel::db::odbc::testing
