#include "db/odbc/odbc_errors.h"

#include <string>

namespace scandrel::db::odbc {
namespace {

std::u16string withDriverMessage(std::u16string description, std::u16string_view driverMessage) {
    if (!driverMessage.empty()) {
        description += u" Mensagem do driver: ";
        description += driverMessage;
    }
    return description;
}

}  // namespace

Error callFailed(std::u16string_view driverMessage) {
    return Error(kCallFailed, withDriverMessage(u"Falha na chamada ODBC.", driverMessage));
}

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

}  // namespace scandrel::db::odbc
