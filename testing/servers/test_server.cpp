#include "testing/servers/test_server.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "testing/servers/test_script.h"
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

// The longest socket path after the folder: PostgreSQL's "/sock/.s.PGSQL.NNNNN".
constexpr size_t kSocketAfterFolder = 20;
// What a Unix socket address holds, its closing NUL aside.
constexpr size_t kSocketPathBytes = 107;

std::string script(ServerKind kind) { return kind == ServerKind::PostgreSQL ? "test-postgres" : "test-mariadb"; }

}  // namespace

std::string serverFolderName(const std::string& unique, size_t parentLength) {
    static constexpr std::string_view kWords = "-dados-da-clinica-odontologica-e-medica-de-sao-sebastiao-do-paraiso";
    std::string name = "scandrel-pg-" + unique;
    const size_t room = kSocketPathBytes - kSocketAfterFolder;  // the folder's whole Linux path
    const size_t used = parentLength + 1 + name.size();  // "/" between parent and name
    if (used < room) name += kWords.substr(0, room - used);
    return name;
}

std::vector<ServerKind> serverKinds() { return {ServerKind::PostgreSQL, ServerKind::MariaDB}; }

std::string serverName(ServerKind kind) { return kind == ServerKind::PostgreSQL ? "PostgreSQL" : "MariaDB"; }

std::string driverName(ServerKind kind) {
    return kind == ServerKind::PostgreSQL ? "PostgreSQL Unicode" : "MariaDB Unicode";
}

bool serverAvailable(ServerKind kind) {
    // The Linux root: the folder of the scripts' own path, up from its source tree.
    const fs::path root = fs::path(SCANDREL_TEST_SCRIPTS).root_path();
    const fs::path program = kind == ServerKind::PostgreSQL ? "usr/lib/postgresql" : "usr/sbin/mariadbd";
    // The driver of this program's width: the 32-bit build reaches it under Wine.
    const fs::path drivers = sizeof(void*) == 4 ? "usr/lib/i386-linux-gnu/odbc" : "usr/lib/x86_64-linux-gnu/odbc";
    const fs::path driver = kind == ServerKind::PostgreSQL ? "psqlodbcw.so" : "libmaodbc.so";
    std::error_code ignored;
    return fs::exists(root / program, ignored) && fs::exists(root / drivers / driver, ignored) &&
           slurp(root / "etc/odbcinst.ini").find("[" + driverName(kind) + "]") != std::string::npos;
}

TestServer::TestServer(ServerKind kind) : kind_(kind), folder_(serverFolder()) {
    std::vector<std::string> start = {"start", folder_.string()};
    if (const std::string watched = watchedProcess(); !watched.empty()) start.push_back(watched);
    if (!runTestScript(script(kind_), start))
        throw std::runtime_error("the " + serverName(kind_) + " server did not start (scripts/" + script(kind_) + ")");
    connect_ = fromUtf8(slurp(folder_ / "connect.txt"));
    if (connect_.empty()) throw std::runtime_error("the " + serverName(kind_) + " server gave no connection string");
}

TestServer::~TestServer() { runTestScript(script(kind_), {"stop", folder_.string()}); }

void TestServer::runSql(const std::filesystem::path& file) const {
    if (!runTestScript(script(kind_), {"sql", folder_.string(), file.string()}))
        throw std::runtime_error(serverName(kind_) + " failed on " + file.string());
}

}  // namespace scandrel::db::odbc::testing
