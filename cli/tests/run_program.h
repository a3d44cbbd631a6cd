#pragma once
// Runs the `scandrel` program through the shell, as a user would, in a folder of the
// test's own, and collects its exit status and output.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace scandrel::cli::testing {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string quoted(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

inline std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A fixture with a fresh folder per test and a way to run the program.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("scandrel-cli-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Runs scandrel with the arguments; stdout goes to `stdoutPath` when given.
    Result run(const std::vector<std::string>& args, const std::string& stdoutPath = {}) {
        std::string command = quoted(SCANDREL_CLI);
        for (const std::string& a : args) command += " " + quoted(a);
        const std::filesystem::path out = dir_ / "stdout", err = dir_ / "stderr";
        command += " >" + quoted(stdoutPath.empty() ? out.string() : stdoutPath);
        command += " 2>" + quoted(err.string());
        const int raw = std::system(command.c_str());
        Result r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        if (stdoutPath.empty()) r.out = slurp(out);
        r.err = slurp(err);
        return r;
    }

    std::filesystem::path dir_;
};

}  // namespace scandrel::cli::testing
