#include "host/report.h"

#include <cstdio>
#include <string>

#include "text/utf.h"

namespace scandrel::host {

void report(std::u16string_view line) {
    report(std::string_view(toUtf8(line)));
}

void report(std::string_view utf8Line) {
    std::string line(utf8Line);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

}  // namespace scandrel::host
