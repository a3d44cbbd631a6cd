#include <process.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string_view>
#include <thread>

#include "testing/servers/test_script.h"

namespace scandrel::db::odbc::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kScriptSeconds = 900;  // the script's own steps have shorter limits
// Wine's drive Z: is the Linux root: the same folder for this program and the script.
const fs::path kLinuxTemp = "Z:/tmp";

// Wine numbers the processes of each prefix from the same start, so test programs
// of two prefixes may share a number: the status files this program leaves to its
// scripts in the shared temporary folder also carry a random part, drawn once.
const std::string& processTag() {
    static const std::string tag = [] {
        std::random_device seed;
        return std::to_string(::_getpid()) + "-" + std::to_string(seed());
    }();
    return tag;
}

}  // namespace

bool runTestScript(const std::string& name, const std::vector<std::string>& arguments) {
    // Started directly: Wine runs a Linux script as such (its command interpreter
    // would look for a name with an extension), but does not wait for it; the script
    // leaves its exit status in a file. The paths here have no spaces.
    static int serial = 0;
    const fs::path status = kLinuxTemp / ("scandrel-pg-status-" + processTag() + "-" + std::to_string(++serial));
    _putenv(("SCANDREL_STATUS_FILE=" + status.string()).c_str());
    const std::string program = (fs::path(SCANDREL_TEST_SCRIPTS) / name).make_preferred().string();
    std::vector<const char*> argv = {program.c_str()};
    for (const std::string& a : arguments) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    const intptr_t started = _spawnv(_P_NOWAIT, program.c_str(), argv.data());
    _putenv("SCANDREL_STATUS_FILE=");
    if (started == -1) return false;
    for (int tenths = 0; tenths < 10 * kScriptSeconds && !fs::exists(status); ++tenths)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    char result = '1';
    std::ifstream(status) >> result;
    std::error_code ignored;
    fs::remove(status, ignored);
    return result == '0';
}

fs::path serverFolder() {
    std::random_device seed;
    const std::string unique = "w" + std::to_string(::_getpid()) + "-" + std::to_string(seed() % 100000);
    return kLinuxTemp / serverFolderName(unique, std::string_view("/tmp").size());
}

// Wine's process numbers are not Linux's.
std::string watchedProcess() { return {}; }

}  // namespace scandrel::db::odbc::testing
