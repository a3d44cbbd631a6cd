// scandrel.exe as support staff run it on Windows: file names outside the ANSI
// code page, and standard output carrying exactly the bytes the program writes.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "testing/win32/run_process.h"
#include "text/utf.h"

namespace scandrel::cli::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr DWORD kTimeout = 120'000;

std::wstring program() {
    const std::u16string path = fromUtf8(SCANDREL_CLI);
    return std::wstring(path.begin(), path.end());
}

class WindowsProgram : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / (L"scandrel-cli-" + std::to_wstring(GetCurrentProcessId()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    ProcessResult run(const std::vector<std::wstring>& arguments) { return runProcess(program(), arguments, kTimeout); }

    fs::path dir_;
};

TEST_F(WindowsProgram, NamesOutsideTheAnsiCodePageAndExactOutput) {
    // Greek and Cyrillic letters have no place in code page 1252: they reach the
    // program only through the UTF-16 command line.
    const fs::path clinic = dir_ / L"clínica Ωμέγα Тест.mdb";
    ProcessResult r = run({L"make-demo", clinic.wstring(), L"--patients", L"30", L"--seed", L"2"});
    ASSERT_FALSE(r.timedOut);
    ASSERT_EQ(r.exitCode, 0u) << r.out;
    ASSERT_TRUE(fs::exists(clinic));

    r = run({L"tables", clinic.wstring()});
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.out, "Pacientes\nAnamneses\nConsultaseRetornos\nConvenios\nGuias\nProcedimentosExames\nTextos\n");

    // CSV lines end in CR LF, written once: no text-mode translation on the way.
    r = run({L"export", clinic.wstring(), L"Convenios"});
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_THAT(r.out, HasSubstr("\r\n1,"));
    EXPECT_EQ(r.out.find("\r\r\n"), std::string::npos);

    r = run({L"search", clinic.wstring(), L"--ids", L"zzzz-nada"});
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.out, "");
}

TEST_F(WindowsProgram, ErrorsAndUsage) {
    ProcessResult r = run({L"tables", (dir_ / L"não há.mdb").wstring()});
    EXPECT_EQ(r.exitCode, 1u);
    r = run({L"export"});
    EXPECT_EQ(r.exitCode, 2u);
    r = run({L"help"});
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_THAT(r.out, HasSubstr("uso: scandrel COMANDO"));
}

}  // namespace
}  // namespace scandrel::cli::testing
