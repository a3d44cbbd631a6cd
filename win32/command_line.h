#pragma once
// The arguments a Windows program was started with, read as UTF-16 so that any
// file name arrives whole (the narrow argv holds them in the ANSI code page).
#include <string>
#include <vector>

namespace scandrel::win32 {

// Without the program's own name.
std::vector<std::u16string> commandLineArguments();

}  // namespace scandrel::win32
