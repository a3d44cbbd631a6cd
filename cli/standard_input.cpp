#include "cli/standard_input.h"

#include <cstdio>

#include "cli/cli_support.h"

namespace scandrel::cli {

std::string readStandardInput() {
    useBinaryStandardInput();
    std::string bytes;
    char block[1 << 16];
    size_t count = 0;
    while ((count = std::fread(block, 1, sizeof block, stdin)) > 0) bytes.append(block, count);
    if (std::ferror(stdin)) throw Error(57, u"Erro de E/S no dispositivo: a entrada padrão não pôde ser lida");
    return bytes;
}

}  // namespace scandrel::cli
