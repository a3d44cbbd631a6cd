#include "cli/standard_input.h"

namespace scandrel::cli {

void useBinaryStandardInput() {}  // POSIX streams have no text mode

}  // namespace scandrel::cli
