#pragma once
// Everything the stand-in host reports goes to standard output, one line at a
// time, in UTF-8, flushed at once (a test or a script reads it while we run).
#include <string_view>

namespace scandrel::host {

void report(std::u16string_view line);
void report(std::string_view utf8Line);

}  // namespace scandrel::host
