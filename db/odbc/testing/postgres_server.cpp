#include "db/odbc/testing/postgres_server.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "db/odbc/testing/test_script.h"
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

}  // namespace

bool postgresAvailable() {
    // The Linux root: the folder of the script's own path, up from its source tree.
    const fs::path root = fs::path(SCANDREL_TEST_POSTGRES).root_path();
    std::error_code ignored;
    return fs::exists(root / "usr/lib/postgresql", ignored) &&
           slurp(root / "etc/odbcinst.ini").find("[PostgreSQL Unicode]") != std::string::npos;
}

PostgresServer::PostgresServer() : folder_(serverFolder()) {
    std::vector<std::string> start = {"start", folder_.string()};
    if (const std::string watched = watchedProcess(); !watched.empty()) start.push_back(watched);
    if (!runTestScript(start)) throw std::runtime_error("the PostgreSQL server did not start (scripts/test-postgres)");
    connect_ = fromUtf8(slurp(folder_ / "connect.txt"));
    if (connect_.empty()) throw std::runtime_error("the PostgreSQL server gave no connection string");
}

PostgresServer::~PostgresServer() { runTestScript({"stop", folder_.string()}); }

void PostgresServer::runSql(const std::filesystem::path& file) const {
    if (!runTestScript({"sql", folder_.string(), file.string()}))
        throw std::runtime_error("psql failed on " + file.string());
}

}  // namespace scandrel::db::odbc::testing
