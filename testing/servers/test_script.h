#pragma once
// Running a script of scripts/ (the test servers') from a test program, on Linux and
// under Wine.
#include <filesystem>
#include <string>
#include <vector>

namespace scandrel::db::odbc::testing {

// Runs scripts/`name` with the arguments and waits for it; true when it succeeds.
bool runTestScript(const std::string& name, const std::vector<std::string>& arguments);

// A new folder for a server, where both this program and the script reach it: a
// name of serverFolderName's.
std::filesystem::path serverFolder();

// The name of a server's folder in a folder whose Linux path is `parentLength` bytes
// long: "scandrel-pg-`unique`-" and words of a clinic's folder, as long as the
// servers' sockets in it allow, so that the folder reaches the driver in its full
// length, as a clinic's long paths and host names do (Unix socket addresses hold
// 107 bytes: PostgreSQL's "/sock/.s.PGSQL.NNNNN" and MariaDB's "/sock/mysqld.sock"
// after the folder).
std::string serverFolderName(const std::string& unique, size_t parentLength);

// The number of this process as the script sees it, for it to stop the server
// should the process end without stopping it; empty where there is none.
std::string watchedProcess();

}  // namespace scandrel::db::odbc::testing
