#pragma once
// A PostgreSQL server of a test's or benchmark's own: made in a folder of its own,
// listening only on a Unix socket in that folder, stopped and removed with the object
// (also when the test fails). Its clients reach it through the ODBC driver with
// connectString().
#include <filesystem>
#include <string>

namespace scandrel::db::odbc::testing {

class PostgresServer {
public:
    // Makes and starts the server with an empty database `database`; std::runtime_error
    // (with the server's log) when it can't. Every step has a time limit.
    explicit PostgresServer(std::string database = "clinica");
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // Runs a file of SQL statements with psql, stopping at the first error.
    void runSql(const std::filesystem::path& file) const;
    // "ODBC;DRIVER=...;SERVER=<socket folder>;PORT=...;DATABASE=...", as a link stores it.
    std::u16string connectString() const;
    const std::filesystem::path& folder() const { return folder_; }

private:
    // Runs a command as the server's owner; false when it fails or overruns `seconds`.
    bool run(const std::string& command, int seconds) const;

    std::filesystem::path folder_;
    std::filesystem::path bin_;
    std::string database_;
    int port_ = 0;
    bool started_ = false;
};

// Whether this machine has the server, the ODBC driver and its manager.
bool postgresAvailable();

}  // namespace scandrel::db::odbc::testing
