#include "db/odbc/testing/postgres_server.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include "text/utf.h"

namespace scandrel::db::odbc::testing {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs scripts/test-postgres with the arguments; true when it succeeds.
bool script(const std::string& arguments) {
#ifdef _WIN32
    // Through the command interpreter, which starts the Linux script as such.
    const std::string command = "\"" + fs::path(SCANDREL_TEST_POSTGRES).make_preferred().string() + "\" " + arguments;
#else
    const std::string command = "'" SCANDREL_TEST_POSTGRES "' " + arguments;
#endif
    return std::system(command.c_str()) == 0;
}

std::string quoted(const fs::path& path) { return "\"" + path.string() + "\""; }

}  // namespace

bool postgresAvailable() {
#ifdef _WIN32
    const fs::path root = "Z:/";
#else
    const fs::path root = "/";
#endif
    std::error_code ignored;
    return fs::exists(root / "usr/lib/postgresql", ignored) &&
           slurp(root / "etc/odbcinst.ini").find("[PostgreSQL Unicode]") != std::string::npos;
}

PostgresServer::PostgresServer() {
    std::random_device seed;
    const std::string name = "scandrel-pg-" + std::to_string(::getpid()) + "-" + std::to_string(seed() % 100000);
#ifdef _WIN32
    folder_ = fs::path("Z:/tmp") / name;  // the same folder for Wine and for the script
    const std::string watched;            // Wine's process numbers are not Linux's
#else
    folder_ = fs::temp_directory_path() / name;
    const std::string watched = " " + std::to_string(::getpid());
#endif
    if (!script("start " + quoted(folder_) + watched + " >" + quoted(fs::temp_directory_path() / (name + ".out"))))
        throw std::runtime_error("the PostgreSQL server did not start (scripts/test-postgres)");
    std::error_code ignored;
    fs::remove(fs::temp_directory_path() / (name + ".out"), ignored);
    connect_ = fromUtf8(slurp(folder_ / "connect.txt"));
    if (connect_.empty()) throw std::runtime_error("the PostgreSQL server gave no connection string");
}

PostgresServer::~PostgresServer() { script("stop " + quoted(folder_)); }

void PostgresServer::runSql(const std::filesystem::path& file) const {
    if (!script("sql " + quoted(folder_) + " " + quoted(file)))
        throw std::runtime_error("psql failed on " + file.string());
}

}  // namespace scandrel::db::odbc::testing
