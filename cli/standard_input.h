#pragma once
// Standard input read whole, as bytes.
#include <string>

namespace scandrel::cli {

// Throws std::runtime_error when the stream cannot be read.
std::string readStandardInput();

// Puts standard input in binary mode where the platform has a text mode (no
// line-end translation, no end at Ctrl+Z).
void useBinaryStandardInput();

}  // namespace scandrel::cli
