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
