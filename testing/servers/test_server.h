#pragma once
// A database server of a test's or benchmark's own (scripts/test-postgres,
// scripts/test-mariadb): made in a folder of its own, listening only on a Unix socket
// in that folder, stopped and removed with the object. Its clients reach it through
// the server's ODBC driver with connectString(). Under Wine the scripts run as the
// Linux programs they are. On the thread that made it.
#include <filesystem>
#include <string>
#include <vector>

namespace scandrel::db::odbc::testing {

enum class ServerKind { PostgreSQL, MariaDB };

// Every kind, for tests that run against each server.
std::vector<ServerKind> serverKinds();
// "PostgreSQL", "MariaDB": the names tests and benchmarks print.
std::string serverName(ServerKind kind);
// Whether this machine has the server, its ODBC driver and the driver manager.
bool serverAvailable(ServerKind kind);
// The ODBC driver's name, as `schema` shows a link to it.
std::string driverName(ServerKind kind);

class TestServer {
public:
    // Starts the server with an empty database "clinica"; std::runtime_error when it
    // can't. Every step has a time limit.
    explicit TestServer(ServerKind kind);
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    ServerKind kind() const { return kind_; }
    // Runs a file of SQL statements with the server's client, stopping at the first error.
    void runSql(const std::filesystem::path& file) const;
    // "ODBC;DRIVER=...;...;DATABASE=clinica;...", as a link stores it.
    const std::u16string& connectString() const { return connect_; }
    // A folder of the server's, for files to give it.
    const std::filesystem::path& folder() const { return folder_; }

private:
    ServerKind kind_;
    std::filesystem::path folder_;
    std::u16string connect_;
};

}  // namespace scandrel::db::odbc::testing
