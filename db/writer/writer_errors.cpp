#include "db/writer/writer_errors.h"

namespace scandrel::db::writer {
namespace {

Error make(int32_t number, std::u16string_view text, std::u16string_view subject) {
    std::u16string description(text);
    if (!subject.empty()) {
        description += u" (";
        description += subject;
        description += u")";
    }
    return Error(number, std::move(description));
}

}  // namespace

Error invalidArgument(std::u16string_view what) {
    return make(3001, u"Argumento inválido.", what);
}
Error invalidDefinition(std::u16string_view what) {
    return make(3125, u"Nome ou definição inválida de tabela ou campo.", what);
}
Error tooManyColumns(std::u16string_view table) {
    return make(3190, u"Muitos campos definidos.", table);
}
Error textTooLong(std::u16string_view column) {
    return make(3163, u"O campo é muito pequeno para aceitar a quantidade de dados que você tentou adicionar.",
                column);
}
Error rowTooLarge(std::u16string_view table) {
    return make(3047, u"Registro muito grande.", table);
}
Error typeMismatch(std::u16string_view column) {
    return make(13, u"Tipos incompatíveis.", column);
}
Error nullNotAllowed(std::u16string_view column) {
    return make(3162, u"O campo não aceita o valor Null.", column);
}
Error unstorableText(std::u16string_view column) {
    return make(3163, u"O texto contém caracteres que não podem ser gravados.", column);
}
Error writeFailed(std::u16string_view path) {
    return make(3026, u"Não foi possível gravar o arquivo.", path);
}
Error fileTooLarge() {
    return make(3183, u"O banco de dados atingiu o tamanho máximo.", u"");
}

}  // namespace scandrel::db::writer
