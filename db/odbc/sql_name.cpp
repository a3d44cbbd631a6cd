#include "db/odbc/sql_name.h"

namespace scandrel::db::odbc {
namespace {

bool isPlainStart(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_'; }
bool isPlain(char16_t c) { return isPlainStart(c) || (c >= u'0' && c <= u'9'); }

Error invalidName(std::u16string_view name) {
    std::u16string shown;
    for (const char16_t c : name) shown += c == u'\0' ? u'?' : c;
    return Error(kInvalidName, u"'" + shown +
                                   u"' não é um nome válido para o servidor. Certifique-se de que ele não inclui "
                                   u"caracteres ou pontuação inválidos e de que não é muito longo.");
}

}  // namespace

std::u16string sqlName(std::u16string_view name, std::u16string_view quote) {
    if (name.empty() || name.find(u'\0') != name.npos) throw invalidName(name);
    std::u16string out;
    size_t from = 0;
    while (true) {
        const size_t dot = name.find(u'.', from);
        const std::u16string_view part = name.substr(from, dot == name.npos ? dot : dot - from);
        if (part.empty()) throw invalidName(name);
        if (quote.empty()) {
            if (!isPlainStart(part.front())) throw invalidName(name);
            for (const char16_t c : part)
                if (!isPlain(c)) throw invalidName(name);
            out += part;
        } else {
            out += quote;
            for (const char16_t c : part) {
                out += c;
                if (c == quote.front()) out += c;  // a quote inside the name is doubled
            }
            out += quote;
        }
        if (dot == name.npos) break;
        out += u'.';
        from = dot + 1;
    }
    return out;
}

}  // namespace scandrel::db::odbc
