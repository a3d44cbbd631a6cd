// scandrel rtf: the plain text the search takes from a memo holding a file's
// bytes, exactly (UTF-8, paragraph marks as CR LF), from a file or standard input.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/tests/run_program.h"

namespace {

namespace fs = std::filesystem;
using scandrel::cli::testing::quoted;
using scandrel::cli::testing::Result;
using scandrel::cli::testing::slurp;

class RtfCommand : public scandrel::cli::testing::ProgramTest {
protected:
    fs::path write(const std::string& name, const std::string& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
};

TEST_F(RtfCommand, PrintsTheTextOfTheFilesBytesInUtf8) {
    // Raw bytes of the Western page (0xE9, 0x80) and escapes; the document's last mark stays.
    Result r = run({"rtf", write("western.rtf", "{\\rtf1\\ansi Jos\xE9 \x80 10\\par \\'e7\\'e3o\\par }").string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Jos\u00e9 \u20ac 10\r\n\u00e7\u00e3o\r\n");
    EXPECT_EQ(r.err, "");

    // Shift JIS, escaped and raw.
    r = run({"rtf", write("japanese.rtf", "{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0\\'83\\'65\x82\xa0}").string()});
    EXPECT_EQ(r.out, "\u3042\u30c6\u3042");

    // A file that is not rich text is a plain memo: line ends become CR LF, a NUL ends it.
    r = run({"rtf", write("plain.txt", std::string("linha 1\nlinha 2\0resto", 21)).string()});
    EXPECT_EQ(r.out, "linha 1\r\nlinha 2");

    r = run({"rtf", write("empty.rtf", "").string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(RtfCommand, ReadsStandardInputForADash) {
    const fs::path input = write("input.rtf", "{\\rtf1 a\\par\r\nb{\\*\\x hidden}}");
    const fs::path output = dir_ / "out";
    const std::string command = quoted(SCANDREL_CLI) + " rtf - <" + quoted(input.string()) + " >" + quoted(output.string());
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(slurp(output), "a\r\nb");
}

TEST_F(RtfCommand, UsageAndMissingFiles) {
    Result r = run({"rtf"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "uso: scandrel rtf ARQUIVO\n");
    r = run({"rtf", "a", "b"});
    EXPECT_EQ(r.status, 2);

    r = run({"rtf", (dir_ / "missing.rtf").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, ::testing::StartsWith("53: Arquivo não encontrado: "));
    EXPECT_THAT(r.err, ::testing::HasSubstr("missing.rtf"));
    EXPECT_EQ(r.out, "");
    r = run({"rtf", dir_.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, ::testing::StartsWith("75: "));

    r = run({"--help"});
    EXPECT_THAT(r.out, ::testing::HasSubstr("rtf ARQUIVO"));
}

}  // namespace
