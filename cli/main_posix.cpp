// scandrel on Linux: the arguments come as the bytes the shell passed.
#include "cli/program.h"

int main(int argc, char** argv) {
    return scandrel::cli::runProgram(std::vector<std::string>(argv + 1, argv + argc));
}
