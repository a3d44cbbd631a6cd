#include "db/base/errors.h"

#include <string>

#include "text/utf.h"

namespace scandrel::db {
namespace {
std::u16string quoted(std::u16string_view s) {
    std::u16string out = u"'";
    out += s;
    out += u"'";
    return out;
}

std::u16string withDriverMessage(std::u16string description, std::u16string_view driverMessage) {
    if (!driverMessage.empty()) {
        description += u" Mensagem do driver: ";
        description += driverMessage;
    }
    return description;
}

}  // namespace

Error fileNotFound(std::u16string_view file) {
    return Error(kFileNotFound, u"Não foi possível encontrar o arquivo " + quoted(file) + u".");
}

Error cannotOpenFile(std::u16string_view file) {
    return Error(kCannotOpenFile,
                 u"O mecanismo de banco de dados não pode abrir o arquivo " + quoted(file) +
                     u". Ele já está aberto exclusivamente por outro usuário ou você precisa de "
                     u"permissão para visualizar seus dados.");
}

Error unrecognizedFormat(std::u16string_view file) {
    return Error(kUnrecognizedFormat,
                 u"Formato de banco de dados " + quoted(file) + u" não reconhecido.");
}

Error notAFile(std::u16string_view file, bool folder) {
    return Error(kUnrecognizedFormat,
                 quoted(file) + (folder ? u" é uma pasta, não um arquivo de banco de dados."
                                        : u" não é um arquivo de banco de dados: é um dispositivo, um pipe ou um "
                                          u"soquete."));
}

Error diskOrNetworkError() { return Error(kDiskOrNetworkError, u"Erro de disco ou de rede."); }

Error invalidPassword() { return Error(kInvalidPassword, u"Senha inválida."); }

Error tableNotFound(std::u16string_view table) {
    return Error(kTableNotFound,
                 u"O mecanismo de banco de dados não pôde encontrar a tabela ou consulta de entrada " +
                     quoted(table) + u". Certifique-se de que ela existe e que seu nome está escrito corretamente.");
}

Error fieldNotFound(std::u16string_view field) {
    return Error(kFieldNotFound, u"Item " + quoted(field) + u" não encontrado nesta coleção.");
}

Error noCurrentRecord() { return Error(kNoCurrentRecord, u"Nenhum registro atual."); }

Error invalidSqlStatement() {
    return Error(kInvalidSqlStatement,
                 u"Instrução SQL inválida; 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT' ou 'UPDATE' esperado.");
}

Error fromClauseSyntax() { return Error(kFromClauseSyntax, u"Erro de sintaxe na cláusula FROM."); }

Error queryExpressionSyntax(std::u16string_view expression) {
    return Error(kQueryExpressionSyntax,
                 u"Erro de sintaxe (operador faltando) na expressão de consulta " + quoted(expression) + u".");
}

Error orderByClauseSyntax() { return Error(kOrderByClauseSyntax, u"Erro de sintaxe na cláusula ORDER BY."); }

Error selectStatementSyntax() {
    return Error(kSelectStatementSyntax,
                 u"A instrução SELECT inclui uma palavra reservada ou um nome de argumento que foi digitado "
                 u"incorretamente ou está faltando, ou a pontuação está incorreta.");
}

Error typeMismatchInCriteria() {
    return Error(kTypeMismatchInCriteria, u"Tipo de dados incompatível na expressão de critério.");
}

// Linked tables.

Error linkedTableNotFound(std::u16string_view table, std::u16string_view backEnd) {
    return Error(kObjectNotFound, u"O mecanismo de banco de dados não pôde encontrar o objeto '" + std::u16string(table) +
                                      u"' em '" + std::u16string(backEnd) +
                                      u"'. Certifique-se de que o objeto existe e de que o nome e o caminho "
                                      u"estão escritos corretamente.");
}

Error linksGoRound(std::u16string_view table) {
    return Error(kObjectNotFound, u"O mecanismo de banco de dados não pôde encontrar o objeto '" + std::u16string(table) +
                                      u"': os vínculos da tabela levam de um arquivo a outro sem chegar a ela.");
}

Error tooManyBackEnds(std::u16string_view table, int most) {
    return Error(kObjectNotFound, u"O mecanismo de banco de dados não pôde encontrar o objeto '" + std::u16string(table) +
                                      u"': os vínculos do banco de dados levam a mais de " +
                                      fromUtf8(std::to_string(most)) + u" arquivos diferentes.");
}

// Tables linked through ODBC.

Error callFailed(std::u16string_view driverMessage) {
    return Error(kCallFailed, withDriverMessage(u"Falha na chamada ODBC.", driverMessage));
}

Error operationCancelled() { return Error(kOperationCancelled, u"Operação cancelada pelo usuário."); }

Error statementTooLong() {
    return Error(kCallFailed, u"Falha na chamada ODBC. O servidor não terminou de responder dentro do tempo limite.");
}

Error answerTooLarge(size_t rows, size_t bytes) {
    const auto decimal = [](size_t n) {
        const std::string digits = std::to_string(n);
        return std::u16string(digits.begin(), digits.end());
    };
    return Error(kCallFailed, u"Falha na chamada ODBC. A resposta do servidor passou do limite de " + decimal(rows) +
                                  u" linhas ou " + decimal(bytes / (1024 * 1024)) + u" MB por consulta.");
}

Error connectionFailed(std::u16string_view dataSource, std::u16string_view driverMessage) {
    return Error(kConnectionFailed,
                 withDriverMessage(u"Falha na conexão ODBC com '" + std::u16string(dataSource) + u"'.", driverMessage));
}

Error connectionRefused(std::u16string_view dataSource, std::u16string_view table, std::u16string_view why) {
    return Error(kConnectionFailed,
                 u"Falha na conexão ODBC com '" + std::u16string(dataSource) + u"'. A tabela vinculada '" +
                     std::u16string(table) + u"' não foi aberta: sua cadeia de conexão " + std::u16string(why) +
                     u". Um vínculo ODBC só pode nomear uma fonte de dados configurada neste computador (DSN=) "
                     u"ou um driver instalado (DRIVER=).");
}

}  // namespace scandrel::db
