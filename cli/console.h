#pragma once
// What the program asks of the console it runs in: whether a stream is a terminal
// that can show a progress line, and how wide it is.
#include <cstddef>
#include <cstdio>

namespace scandrel::cli {

// True when `stream` is a terminal that understands "\r" and "\x1b[K".
bool isTerminal(std::FILE* stream);

// Width of that terminal in characters (80 when it can't be told).
size_t terminalColumns(std::FILE* stream);

}  // namespace scandrel::cli
