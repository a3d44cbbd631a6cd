// scandrel rtf FILE: the plain text the search takes from a memo that holds the
// file's bytes, so that support staff can see why a memo does or does not match.
// Each byte is the character the Western code page gives it, as the host stores
// the text of its rich-text box; "-" reads standard input.
#include <fstream>
#include <stdexcept>
#include <iterator>
#include <string>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/standard_input.h"
#include "search/plain_text_buffer.h"
#include "text/utf.h"

namespace scandrel::cli {

namespace {

std::string readFile(const std::string& name) {
    if (name == "-") return readStandardInput();
    std::ifstream file(argumentPath(name), std::ios::binary);
    if (!file.is_open()) throw std::runtime_error("não foi possível abrir " + name);
    return std::string((std::istreambuf_iterator<char>(file)), {});
}

}  // namespace

int runRtf(const Args& args) {
    if (args.size() != 1) return usageError("scandrel rtf ARQUIVO");
    const std::string bytes = readFile(args[0]);
    std::u16string memo;
    memo.reserve(bytes.size());
    for (const char byte : bytes) memo.push_back(fromCp1252(static_cast<unsigned char>(byte)));

    search::PlainTextBuffer buffer;
    buffer.append(memo);
    OutputBuffer out;
    out.putUtf16(buffer.text());
    out.finish();
    return kExitOk;
}

}  // namespace scandrel::cli
