#include "host/host_options.h"

#include <charconv>
#include <string_view>

#include "text/utf.h"

namespace scandrel::host {

const char kHostUsage[] =
    "uso: clinora-host [OPÇÕES]\n"
    "\n"
    "Faz o papel do Clinora para o plug-in Scandrel: a janela principal tem o botão\n"
    "\"Pesquisar pacientes\", que cria Scandrel.Interface, chama Fire com o objeto do\n"
    "Clinora e coloca a janela de busca ao lado com Move. Tudo o que o programa relata\n"
    "vai para a saída padrão.\n"
    "\n"
    "opções:\n"
    "  --db CAMINHO          banco de pacientes informado por ClDbName (um caminho do\n"
    "                        Linux vira Z:\\...)\n"
    "  --access RESPOSTA     resposta de GetUserAccess: um texto (padrão \"1\"), num:N\n"
    "                        para o número N, null, empty (sem valor), missing (o objeto\n"
    "                        não tem GetUserAccess) ou throw (lança uma exceção)\n"
    "  --open-fails          LoadPacienteInterface lança uma exceção\n"
    "  --clsid               cria o plug-in pela identidade da classe, não pelo ProgID\n"
    "  --fire                chama Fire ao iniciar\n"
    "  --search PALAVRAS     chama Fire, digita as palavras na caixa de busca, tecla\n"
    "                        Enter, espera o fim da busca, relata as linhas e sai\n"
    "  --screenshot ARQ.png  com --search: salva a área cliente da janela de busca\n"
    "  --time                com --search: segundos do Enter até a mensagem final, no\n"
    "                        relógio e de processador deste processo\n"
    "  --open N              com --search: depois da busca, dá um duplo clique na\n"
    "                        linha N da lista (a partir de 1) e espera o paciente abrir\n"
    "  --stay                com --search: fica aberto depois da busca\n"
    "  --timeout S           com --search: desiste depois de S segundos (padrão 600)\n"
    "  --help                mostra este texto\n"
    "\n"
    "saída padrão: \"resultado: LINHA\" por linha da lista, \"status: TEXTO\",\n"
    "\"imagem: ARQ LxA\", \"tempo: S\", \"tempo-cpu: S\", \"caixa: TÍTULO: TEXTO\" por\n"
    "caixa de mensagem, \"LoadPacienteInterface N\" a cada paciente aberto, \"falha: ...\".\n"
    "\n"
    "códigos de saída: 0 sucesso; 1 falha (plug-in não criado, Fire ou Move falhou,\n"
    "caixa de mensagem durante a busca, imagem não salva, paciente não aberto);\n"
    "2 uso incorreto; 3 tempo esgotado.\n";

namespace {

bool parseInt32(std::u16string_view text, int32_t& out) {
    const std::string narrow = toUtf8(text);
    const char* end = narrow.data() + narrow.size();
    const auto [at, error] = std::from_chars(narrow.data(), end, out);
    return !narrow.empty() && error == std::errc() && at == end;
}

AccessAnswer parseAccess(const std::u16string& value) {
    AccessAnswer answer;
    if (value == u"null") {
        answer.kind = AccessKind::Null;
    } else if (value == u"empty") {
        answer.kind = AccessKind::Empty;
    } else if (value == u"missing") {
        answer.kind = AccessKind::Missing;
    } else if (value == u"throw") {
        answer.kind = AccessKind::Throw;
    } else if (value.starts_with(u"num:")) {
        answer.kind = AccessKind::Number;
        if (!parseInt32(std::u16string_view(value).substr(4), answer.number))
            throw UsageError("--access num:N pede um número inteiro");
    } else {
        answer.text = value;
    }
    return answer;
}

}  // namespace

HostOptions parseHostOptions(const std::vector<std::u16string>& arguments) {
    HostOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::u16string& a = arguments[i];
        auto value = [&]() -> const std::u16string& {
            if (i + 1 >= arguments.size()) throw UsageError(toUtf8(a) + " pede um valor");
            return arguments[++i];
        };
        if (a == u"--help" || a == u"-h") {
            options.help = true;
        } else if (a == u"--db") {
            options.database = value();
        } else if (a == u"--access") {
            options.access = parseAccess(value());
        } else if (a == u"--open-fails") {
            options.openFails = true;
        } else if (a == u"--clsid") {
            options.byClassId = true;
        } else if (a == u"--fire") {
            options.fire = true;
        } else if (a == u"--search") {
            options.search = value();
        } else if (a == u"--screenshot") {
            options.screenshot = value();
        } else if (a == u"--time") {
            options.time = true;
        } else if (a == u"--open") {
            if (!parseInt32(value(), options.openRow) || options.openRow <= 0)
                throw UsageError("--open pede o número da linha, a partir de 1");
        } else if (a == u"--stay") {
            options.stay = true;
        } else if (a == u"--timeout") {
            int32_t seconds = 0;
            if (!parseInt32(value(), seconds) || seconds <= 0) throw UsageError("--timeout pede segundos");
            options.timeoutSeconds = seconds;
        } else {
            throw UsageError("opção desconhecida: " + toUtf8(a));
        }
    }
    if (!options.search && (!options.screenshot.empty() || options.time || options.stay || options.openRow != 0))
        throw UsageError("--screenshot, --time, --open e --stay valem só com --search");
    return options;
}

std::u16string windowsPath(const std::u16string& path) {
    if (path.empty() || path[0] != u'/') return path;
    std::u16string out = u"Z:" + path;
    for (char16_t& c : out) {
        if (c == u'/') c = u'\\';
    }
    return out;
}

}  // namespace scandrel::host
