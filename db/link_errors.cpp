#include "db/link_errors.h"

#include <string>

#include "text/utf.h"

namespace scandrel::db {

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

}  // namespace scandrel::db
