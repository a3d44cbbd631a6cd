// scandrel rtf FILE: the plain text the search takes from a memo that holds the
// file's bytes, so that support staff can see why a memo does or does not match.
// Each byte is the character the Western code page gives it, as the host stores
// the text of its rich-text box; "-" reads standard input.
#include <filesystem>
#include <fstream>
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
    const auto path = argumentPath(name);
    const Error accessError(75, u"Erro de acesso ao caminho/arquivo: " + fromUtf8(name));
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored)) throw Error(53, u"Arquivo não encontrado: " + fromUtf8(name));
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open() || std::filesystem::is_directory(path, ignored)) throw accessError;
    try {
        return std::string((std::istreambuf_iterator<char>(file)), {});
    } catch (const std::ios_base::failure&) {
        throw accessError;
    }
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
