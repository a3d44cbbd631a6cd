#pragma once
// The program behind `scandrel`, apart from how the platform hands over its
// arguments.
#include <string>
#include <vector>

namespace scandrel::cli {

// Runs the program with its arguments (without the program's name), given in
// UTF-8; returns the exit status.
int runProgram(const std::vector<std::string>& arguments);

}  // namespace scandrel::cli
