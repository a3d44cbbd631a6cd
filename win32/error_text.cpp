#include "win32/error_text.h"

#include <exception>

#include "text/utf.h"

namespace scandrel::win32 {

std::u16string errorText(const Error& error) {
    return fromUtf8(std::to_string(error.number())) + u" " + error.description();
}

std::u16string currentFailureText() {
    try {
        throw;
    } catch (const Error& error) {
        return errorText(error);
    } catch (const std::exception& error) {
        return fromUtf8(error.what());
    } catch (...) {
        return u"Erro desconhecido";
    }
}

}  // namespace scandrel::win32
