#include "plugin/com_error.h"

#include <windows.h>

#include "plugin/com_ptr.h"
#include "plugin/com_values.h"

namespace scandrel::plugin {

namespace {

constexpr char16_t kSource[] = u"Scandrel";

std::u16string systemMessage(HRESULT result) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(result), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::u16string message;
    if (length > 0 && buffer) message.assign(buffer, buffer + length);
    LocalFree(buffer);
    while (!message.empty() && (message.back() == u'\r' || message.back() == u'\n' || message.back() == u' ')) {
        message.pop_back();
    }
    if (message.empty()) message = u"Erro de automação";
    return message;
}

}  // namespace

Error objectNotSet() {
    return Error(errors::kObjectNotSet, u"Variável de objeto ou variável do bloco With não definida");
}

Error memberMissing() {
    return Error(errors::kMemberMissing, u"O objeto não dá suporte para esta propriedade ou método");
}

int32_t errorNumberOf(HRESULT result) {
    if (HRESULT_FACILITY(result) == FACILITY_CONTROL) return static_cast<int32_t>(HRESULT_CODE(result));
    return static_cast<int32_t>(result);
}

Error errorFromResult(HRESULT result) { return Error(errorNumberOf(result), systemMessage(result)); }

Error errorFromException(EXCEPINFO& exception) {
    if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
    const Bstr description = Bstr::adopt(std::exchange(exception.bstrDescription, nullptr));
    Bstr::adopt(std::exchange(exception.bstrSource, nullptr));
    Bstr::adopt(std::exchange(exception.bstrHelpFile, nullptr));
    const HRESULT result = exception.scode != 0 ? exception.scode : E_FAIL;
    const int32_t number = exception.wCode != 0 ? exception.wCode : errorNumberOf(result);
    std::u16string text = description.text();
    if (text.empty()) text = systemMessage(result);
    return Error(number, std::move(text));
}

HRESULT resultOf(const Error& error) {
    if (error.number() > 0 && error.number() <= 0xFFFF) {
        return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, static_cast<unsigned>(error.number()));
    }
    if (error.number() < 0) return static_cast<HRESULT>(error.number());
    return E_FAIL;
}

void setErrorInfo(const Error& error, REFIID iid) {
    ComPtr<ICreateErrorInfo> created;
    if (FAILED(CreateErrorInfo(created.put()))) return;
    created->SetGUID(iid);
    const Bstr source(kSource);
    const Bstr description(error.description());
    created->SetSource(source.get());
    created->SetDescription(description.get());
    const auto info = created.query<IErrorInfo>();
    SetErrorInfo(0, info.get());
}

}  // namespace scandrel::plugin
