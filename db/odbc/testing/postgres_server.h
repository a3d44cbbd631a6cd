#pragma once
// A PostgreSQL server of a test's or benchmark's own (scripts/test-postgres): made in a
// folder of its own, listening only on a Unix socket in that folder, stopped and
// removed with the object. Its clients reach it through the ODBC driver with
// connectString(). Under Wine the script runs as the Linux program it is.
#include <filesystem>
#include <string>

namespace scandrel::db::odbc::testing {

class PostgresServer {
public:
    // Starts the server with an empty database "clinica"; std::runtime_error when it
    // can't. Every step has a time limit.
    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // Runs a file of SQL statements with psql, stopping at the first error.
    void runSql(const std::filesystem::path& file) const;
    // "ODBC;DRIVER=...;SERVER=<socket folder>;PORT=...;DATABASE=clinica;...", as a link stores it.
    const std::u16string& connectString() const { return connect_; }
    // A folder of the server's, for files to give it.
    const std::filesystem::path& folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    std::u16string connect_;
};

// Whether this machine has the server, the ODBC driver and its manager.
bool postgresAvailable();

}  // namespace scandrel::db::odbc::testing
