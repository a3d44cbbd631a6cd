#include "plugin/host_contract.h"

#include <iterator>
#include <vector>

#include "plugin/com_error.h"
#include "plugin/com_ptr.h"

namespace scandrel::plugin {

namespace {

DISPID lookUp(IDispatch* object, std::u16string_view name) {
    Bstr text(name);
    LPOLESTR names[] = {text.get()};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT result = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (result == DISP_E_UNKNOWNNAME || result == DISP_E_MEMBERNOTFOUND) throw memberMissing();
    if (FAILED(result)) throw errorFromResult(result);
    return id;
}

}  // namespace

Variant callByName(IDispatch* object, std::u16string_view name, CallKind kind,
                   std::initializer_list<Variant> arguments) {
    if (!object) throw objectNotSet();
    // Our own reference for the whole call: whatever the object's code does meanwhile,
    // it is not released under its own Invoke.
    const ComPtr<IDispatch> keep(object);
    const DISPID id = lookUp(object, name);
    // The platform takes the arguments last to first; they stay owned by `arguments`.
    std::vector<VARIANT> lastToFirst;
    for (auto it = std::rbegin(arguments); it != std::rend(arguments); ++it) lastToFirst.push_back(it->value());
    DISPPARAMS parameters{lastToFirst.data(), nullptr, static_cast<UINT>(lastToFirst.size()), 0};
    Variant result;
    EXCEPINFO exception{};
    UINT badArgument = 0;
    const HRESULT outcome = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, static_cast<WORD>(kind), &parameters,
                                           result.get(), &exception, &badArgument);
    if (outcome == DISP_E_EXCEPTION) throw errorFromException(exception);
    if (outcome == DISP_E_MEMBERNOTFOUND) throw memberMissing();
    if (FAILED(outcome)) throw errorFromResult(outcome);
    return result;
}

bool hostGrantsSearch(IDispatch* host) {
    const Variant answer = callByName(host, u"GetUserAccess", CallKind::method, {Variant::text(kSearchRight)});
    std::u16string text;
    return toText(answer.value(), text) && text == u"1";
}

std::u16string hostDatabaseName(IDispatch* host) {
    const Variant name = callByName(host, u"ClDbName", CallKind::propertyGet);
    if (V_VT(&name.value()) == VT_NULL) throw invalidUseOfNull();
    std::u16string text;
    if (!toText(name.value(), text)) throw errorFromResult(DISP_E_TYPEMISMATCH);
    return text;
}

void hostOpenPatient(IDispatch* host, int32_t counter) {
    callByName(host, u"LoadPacienteInterface", CallKind::method, {Variant::int32(counter)});
}

}  // namespace scandrel::plugin
