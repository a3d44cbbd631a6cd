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

Error connectionFailed(std::u16string_view dataSource, std::u16string_view driverMessage) {
    return Error(kConnectionFailed,
                 withDriverMessage(u"Falha na conexão ODBC com '" + std::u16string(dataSource) + u"'.", driverMessage));
}

}  // namespace scandrel::db::odbc
