#include <unistd.h>

#include <cstdlib>
#include <random>

#include "testing/servers/test_script.h"

namespace scandrel::db::odbc::testing {

bool runTestScript(const std::string& name, const std::vector<std::string>& arguments) {
    std::string command = "'" SCANDREL_TEST_SCRIPTS "/" + name + "'";
    for (const std::string& a : arguments) command += " '" + a + "'";
    return std::system((command + " >/dev/null").c_str()) == 0;
}

std::filesystem::path serverFolder() {
    std::random_device seed;
    const std::filesystem::path temp = std::filesystem::temp_directory_path();
    const std::string unique = std::to_string(::getpid()) + "-" + std::to_string(seed() % 100000);
    return temp / serverFolderName(unique, temp.string().size());
}

std::string watchedProcess() { return std::to_string(::getpid()); }

}  // namespace scandrel::db::odbc::testing
