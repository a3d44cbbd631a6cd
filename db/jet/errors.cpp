#include "db/jet/errors.h"

namespace scandrel::db::jet {

void corrupt() { throw CorruptFile(); }

namespace {
std::u16string quoted(std::u16string_view s) {
    std::u16string out = u"'";
    out += s;
    out += u"'";
    return out;
}
}  // namespace

Error fileNotFound(std::u16string_view file) {
    return Error(errors::kFileNotFound, u"Não foi possível encontrar o arquivo " + quoted(file) + u".");
}

Error cannotOpenFile(std::u16string_view file) {
    return Error(errors::kCannotOpenFile,
                 u"O mecanismo de banco de dados não pode abrir o arquivo " + quoted(file) +
                     u". Ele já está aberto exclusivamente por outro usuário ou você precisa de "
                     u"permissão para visualizar seus dados.");
}

Error unrecognizedFormat(std::u16string_view file) {
    return Error(errors::kUnrecognizedFormat,
                 u"Formato de banco de dados " + quoted(file) + u" não reconhecido.");
}

Error notAFile(std::u16string_view file, bool folder) {
    return Error(errors::kUnrecognizedFormat,
                 quoted(file) + (folder ? u" é uma pasta, não um arquivo de banco de dados."
                                        : u" não é um arquivo de banco de dados: é um dispositivo, um pipe ou um "
                                          u"soquete."));
}

Error diskOrNetworkError() { return Error(kDiskOrNetworkError, u"Erro de disco ou de rede."); }

Error invalidPassword() { return Error(kInvalidPassword, u"Senha inválida."); }

Error tableNotFound(std::u16string_view table) {
    return Error(errors::kTableNotFound,
                 u"O mecanismo de banco de dados não pôde encontrar a tabela ou consulta de entrada " +
                     quoted(table) + u". Certifique-se de que ela existe e que seu nome está escrito corretamente.");
}

Error fieldNotFound(std::u16string_view field) {
    return Error(errors::kFieldNotFound, u"Item " + quoted(field) + u" não encontrado nesta coleção.");
}

Error noCurrentRecord() { return Error(errors::kNoCurrentRecord, u"Nenhum registro atual."); }

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

}  // namespace scandrel::db::jet
