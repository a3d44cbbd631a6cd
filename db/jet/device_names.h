#pragma once
// Paths that Windows reads as something other than a file on a disk: the device and
// raw namespaces (\\.\, \\?\, \??\), named pipes and mail slots, and the reserved
// device names (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$) as the file's
// name in any folder, also with an extension or trailing dots and spaces. Decided from the spelling
// alone, before anything is opened; a pure function, for any thread.
#include <string_view>

namespace scandrel::db::jet {

bool namesWindowsDevice(std::u16string_view path);

}  // namespace scandrel::db::jet
