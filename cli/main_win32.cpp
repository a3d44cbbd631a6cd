// scandrel on Windows: the arguments are read as UTF-16, so that any file name
// reaches the program, and standard output carries UTF-8 bytes exactly as
// written (no line-end translation).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/program.h"
#include "text/utf.h"
#include "win32/command_line.h"

namespace {

// The console shows our UTF-8 while the program runs; its own code page is back afterwards.
class Utf8Console {
public:
    Utf8Console() : previous_(GetConsoleOutputCP()) {
        if (previous_ != 0) SetConsoleOutputCP(CP_UTF8);
    }
    ~Utf8Console() {
        if (previous_ != 0) SetConsoleOutputCP(previous_);
    }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    UINT previous_;
};

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    const Utf8Console console;
    std::vector<std::string> arguments;
    for (const std::u16string& argument : scandrel::win32::commandLineArguments())
        arguments.push_back(scandrel::toUtf8(argument));
    return scandrel::cli::runProgram(arguments);
}
