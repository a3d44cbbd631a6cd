#include "win32/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <memory>

namespace scandrel::win32 {
namespace {

struct ArgvDeleter {
    void operator()(wchar_t** argv) const { LocalFree(argv); }
};

}  // namespace

std::vector<std::u16string> commandLineArguments() {
    int count = 0;
    const std::unique_ptr<wchar_t*, ArgvDeleter> argv(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::u16string> arguments;
    for (int i = 1; argv && i < count; ++i) {
        const wchar_t* arg = argv.get()[i];
        arguments.emplace_back(arg, arg + std::wcslen(arg));
    }
    return arguments;
}

}  // namespace scandrel::win32
