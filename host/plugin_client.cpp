#include "host/plugin_client.h"

#include <cstdio>
#include <vector>

#include "plugin/com_values.h"
#include "text/utf.h"

namespace scandrel::host {
namespace {

// EXCEPINFO that frees its strings.
struct Exception {
    EXCEPINFO info{};
    ~Exception() {
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
    }
};

std::string hex(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
    return text;
}

std::string systemMessage(HRESULT result) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(result), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::u16string text;
    if (buffer != nullptr) {
        text.assign(buffer, buffer + length);
        LocalFree(buffer);
    }
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ')) text.pop_back();
    return toUtf8(text);
}

// Calls the plug-in's member `name` with `arguments` given in the order of the
// member's parameters.
void invoke(IDispatch* plugin, const wchar_t* name, std::vector<VARIANTARG> arguments) {
    DISPID id = DISPID_UNKNOWN;
    auto* names = const_cast<LPOLESTR>(name);
    HRESULT result = plugin->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(result)) throw PluginFailure(toUtf8(std::u16string(name, name + wcslen(name))) + ": " + describeFailure(result));

    std::vector<VARIANTARG> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    plugin::Variant returned;
    Exception exception;
    UINT argError = 0;
    result = plugin->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, returned.get(),
                            &exception.info, &argError);
    if (FAILED(result)) {
        throw PluginFailure(toUtf8(std::u16string(name, name + wcslen(name))) + ": " +
                            describeFailure(result, result == DISP_E_EXCEPTION ? &exception.info : nullptr));
    }
}

}  // namespace

std::string describeFailure(HRESULT result, const EXCEPINFO* info) {
    if (info != nullptr) {
        EXCEPINFO filled = *info;
        if (filled.pfnDeferredFillIn != nullptr) filled.pfnDeferredFillIn(&filled);
        const HRESULT code = filled.scode != 0 ? filled.scode : static_cast<HRESULT>(filled.wCode);
        std::string text = hex(code);
        if (filled.bstrDescription != nullptr) {
            text += ' ';
            text += toUtf8(std::u16string(reinterpret_cast<const char16_t*>(filled.bstrDescription),
                                          SysStringLen(filled.bstrDescription)));
        }
        return text;
    }
    std::string text = hex(result);
    const std::string message = systemMessage(result);
    if (!message.empty()) text += " " + message;
    return text;
}

plugin::ComPtr<IDispatch> createPlugin(bool byClassId) {
    CLSID classId = kPluginClassId;
    if (!byClassId) {
        const HRESULT result = CLSIDFromProgID(kPluginProgId, &classId);
        if (FAILED(result)) throw PluginFailure("Scandrel.Interface não registrado: " + describeFailure(result));
    }
    plugin::ComPtr<IDispatch> plugin;
    const HRESULT result = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, plugin.putVoid());
    if (FAILED(result)) throw PluginFailure("Scandrel.Interface não foi criado: " + describeFailure(result));
    return plugin;
}

void callFire(IDispatch* plugin, IDispatch* hostObject) {
    // ClObj is declared in/out: the plug-in receives the address of our reference.
    IDispatch* clObj = hostObject;
    VARIANTARG argument;
    VariantInit(&argument);
    V_VT(&argument) = VT_DISPATCH | VT_BYREF;
    V_DISPATCHREF(&argument) = &clObj;
    invoke(plugin, L"Fire", {argument});
}

void callMove(IDispatch* plugin, int32_t left, int32_t top, int32_t width, int32_t height) {
    LONG values[4] = {left, top, width, height};
    VARIANT_BOOL move = VARIANT_FALSE;
    std::vector<VARIANTARG> arguments(5);
    for (int i = 0; i < 4; ++i) {
        VariantInit(&arguments[i]);
        V_VT(&arguments[i]) = VT_I4 | VT_BYREF;
        V_I4REF(&arguments[i]) = &values[i];
    }
    VariantInit(&arguments[4]);
    V_VT(&arguments[4]) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&arguments[4]) = &move;
    invoke(plugin, L"Move", std::move(arguments));
}

}  // namespace scandrel::host
