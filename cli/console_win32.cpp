#include "cli/console.h"

#include <io.h>
#include <windows.h>

namespace scandrel::cli {
namespace {

HANDLE consoleHandle(std::FILE* stream) {
    const intptr_t handle = ::_get_osfhandle(::_fileno(stream));
    if (handle == -1) return nullptr;
    DWORD mode = 0;
    if (!GetConsoleMode(reinterpret_cast<HANDLE>(handle), &mode)) return nullptr;
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

bool isTerminal(std::FILE* stream) {
    HANDLE console = consoleHandle(stream);
    if (console == nullptr) return false;
    // The progress line is redrawn with terminal sequences; consoles that can't
    // take them get no progress line.
    DWORD mode = 0;
    GetConsoleMode(console, &mode);
    if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) return true;
    return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

size_t terminalColumns(std::FILE* stream) {
    HANDLE console = consoleHandle(stream);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (console != nullptr && GetConsoleScreenBufferInfo(console, &info)) {
        const int columns = info.srWindow.Right - info.srWindow.Left + 1;
        if (columns > 0) return static_cast<size_t>(columns);
    }
    return 80;
}

}  // namespace scandrel::cli
