#include "db/odbc/testing/postgres_server.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "text/utf.h"

namespace scandrel::db::odbc::testing {
namespace {

namespace fs = std::filesystem;

// The newest installed server's programs.
fs::path serverPrograms() {
    fs::path best;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ignored)) {
        const fs::path bin = entry.path() / "bin";
        if (fs::exists(bin / "pg_ctl") && (best.empty() || bin.string() > best.string())) best = bin;
    }
    return best;
}

std::string quoted(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

constexpr const char* kDriver = "PostgreSQL Unicode";

}  // namespace

bool postgresAvailable() {
    std::ifstream drivers("/etc/odbcinst.ini");
    std::stringstream text;
    text << drivers.rdbuf();
    return !serverPrograms().empty() && text.str().find(std::string("[") + kDriver + "]") != std::string::npos;
}

PostgresServer::PostgresServer(std::string database) : bin_(serverPrograms()), database_(std::move(database)) {
    std::random_device seed;
    folder_ = fs::temp_directory_path() / ("scandrel-pg-" + std::to_string(::getpid()) + "-" + std::to_string(seed() % 100000));
    fs::create_directories(folder_ / "sock");
    fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    port_ = 20000 + static_cast<int>(seed() % 20000);  // names the socket file only: no TCP
    // The server refuses to run as root: as root it runs as its own user.
    if (::geteuid() == 0 && std::system(("chown -R postgres " + quoted(folder_.string())).c_str()) != 0)
        throw std::runtime_error("chown postgres failed");
    const std::string data = quoted((folder_ / "data").string());
    if (!run(quoted((bin_ / "initdb").string()) + " -D " + data +
                 " -A trust -U postgres -E UTF8 --locale=C.UTF-8 --no-sync >" + quoted((folder_ / "initdb.log").string()) +
                 " 2>&1",
             120))
        throw std::runtime_error("initdb failed: see " + (folder_ / "initdb.log").string());
    started_ = run(quoted((bin_ / "pg_ctl").string()) + " -D " + data + " -l " + quoted((folder_ / "server.log").string()) +
                       " -w -t 60 -o " +
                       quoted("-k " + (folder_ / "sock").string() + " -p " + std::to_string(port_) +
                              " -c listen_addresses= -c fsync=off -c full_page_writes=off") +
                       " start >/dev/null",
                   90);
    // Should this process end without its destructor running (killed, crashed), a
    // watcher stops the server and removes its folder all the same.
    const std::string stop = quoted((bin_ / "pg_ctl").string()) + " -D " + data + " -m immediate -w -t 30 stop";
    const std::string asOwner = ::geteuid() == 0 ? "runuser -u postgres -- " + stop : stop;
    std::system(("(while kill -0 " + std::to_string(::getpid()) + " 2>/dev/null; do sleep 1; done; " + asOwner +
                 " >/dev/null 2>&1; rm -rf " + quoted(folder_.string()) + ") </dev/null >/dev/null 2>&1 &")
                    .c_str());
    std::ifstream log(folder_ / "server.log");
    std::stringstream logText;
    logText << log.rdbuf();
    if (!started_) throw std::runtime_error("the PostgreSQL server did not start:\n" + logText.str());
    if (!run(quoted((bin_ / "psql").string()) + " -q -X -h " + quoted((folder_ / "sock").string()) + " -p " +
                 std::to_string(port_) + " -U postgres -d postgres -c " + quoted("CREATE DATABASE \"" + database_ + "\"") +
                 " >/dev/null",
             60))
        throw std::runtime_error("CREATE DATABASE failed");
}

PostgresServer::~PostgresServer() {
    if (started_)
        run(quoted((bin_ / "pg_ctl").string()) + " -D " + quoted((folder_ / "data").string()) +
                " -m immediate -w -t 30 stop >/dev/null 2>&1",
            60);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

bool PostgresServer::run(const std::string& command, int seconds) const {
    const std::string limited = "timeout -k 5 " + std::to_string(seconds) + " " + command;
    const std::string full = ::geteuid() == 0 ? "runuser -u postgres -- sh -c " + quoted(limited) : limited;
    return std::system(full.c_str()) == 0;
}

void PostgresServer::runSql(const std::filesystem::path& file) const {
    if (::geteuid() == 0) std::system(("chown postgres " + quoted(file.string())).c_str());
    if (!run(quoted((bin_ / "psql").string()) + " -q -X -v ON_ERROR_STOP=1 -h " + quoted((folder_ / "sock").string()) +
                 " -p " + std::to_string(port_) + " -U postgres -d " + quoted(database_) + " -f " +
                 quoted(file.string()) + " >/dev/null",
             600))
        throw std::runtime_error("psql failed on " + file.string());
}

std::u16string PostgresServer::connectString() const {
    return fromUtf8("ODBC;DRIVER={" + std::string(kDriver) + "};SERVER=" + (folder_ / "sock").string() +
                    ";PORT=" + std::to_string(port_) + ";DATABASE=" + database_ + ";UID=postgres;BoolsAsChar=0");
}

}  // namespace scandrel::db::odbc::testing
