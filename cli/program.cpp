// scandrel: command-line access to the host's databases, the demo clinic and the search.
#include "cli/program.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "cli/cli_support.h"
#include "cli/commands.h"

namespace {

constexpr std::string_view kUsage =
    "uso: scandrel COMANDO [ARGUMENTOS]\n"
    "\n"
    "comandos:\n"
    "  tables DB                                       tabelas do banco, uma por linha\n"
    "  schema DB [TABELA]                              colunas com tipos e tamanhos\n"
    "  export DB TABELA [--links=...]                  linhas da tabela em CSV (UTF-8)\n"
    "  make-demo SAIDA.mdb [--patients N] [--seed S]   cria um banco de demonstração\n"
    "  search DB [--ids] [--why] [--links=...] PALAVRAS...\n"
    "                                                  pacientes cujo texto tem todas as palavras;\n"
    "                                                  --why: onde cada palavra foi encontrada\n"
    "  text DB CONTADOR [--sources] [--links=...]      texto de busca de um paciente; --sources:\n"
    "                                                  de onde vem cada parte\n"
    "  rtf ARQUIVO                                     texto que a busca tira de um memo com os bytes\n"
    "                                                  do arquivo (- para a entrada padrão)\n"
    "\n"
    "  --links=follow   lê as tabelas vinculadas onde estão as linhas: em outro arquivo\n"
    "                   (back-end) ou num servidor ODBC instalado neste computador (padrão)\n"
    "  --links=ignore   não abre nenhum outro arquivo nem servidor: uma consulta a uma\n"
    "                   tabela vinculada dá o erro 3078\n"
    "  tables e schema descrevem só o arquivo dado e nunca seguem vínculos.\n";

struct Command {
    std::string_view name;
    int (*run)(const scandrel::cli::Args&);
};

constexpr Command kCommands[] = {
    {"tables", scandrel::cli::runTables},       {"schema", scandrel::cli::runSchema},
    {"export", scandrel::cli::runExport},       {"make-demo", scandrel::cli::runMakeDemo},
    {"search", scandrel::cli::runSearch},       {"text", scandrel::cli::runText},
    {"rtf", scandrel::cli::runRtf},
};

void print(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

}  // namespace

namespace scandrel::cli {

int runProgram(const std::vector<std::string>& arguments) {
    if (arguments.empty()) {
        print(stderr, kUsage);
        return kExitUsage;
    }
    const std::string_view name = arguments[0];
    if (name == "-h" || name == "--help" || name == "help") {
        print(stdout, kUsage);
        return kExitOk;
    }
    for (const Command& command : kCommands) {
        if (command.name != name) continue;
        const Args args(arguments.begin() + 1, arguments.end());
        return guarded([&] { return command.run(args); });
    }
    print(stderr, "scandrel: comando desconhecido: ");
    print(stderr, name);
    print(stderr, "\n\n");
    print(stderr, kUsage);
    return kExitUsage;
}

}  // namespace scandrel::cli
