#pragma once
// Running a script of scripts/ (the test servers') from a test program, on Linux and
// under Wine.
#include <filesystem>
#include <string>
#include <vector>

namespace scandrel::db::odbc::testing {

// Runs scripts/`name` with the arguments and waits for it; true when it succeeds.
bool runTestScript(const std::string& name, const std::vector<std::string>& arguments);

// A new folder name for a server, where both this program and the script reach it.
std::filesystem::path serverFolder();

// The number of this process as the script sees it, for it to stop the server
// should the process end without stopping it; empty where there is none.
std::string watchedProcess();

}  // namespace scandrel::db::odbc::testing
