#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "cli/standard_input.h"

namespace scandrel::cli {

void useBinaryStandardInput() { _setmode(_fileno(stdin), _O_BINARY); }

}  // namespace scandrel::cli
