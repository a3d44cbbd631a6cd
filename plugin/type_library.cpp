#include "plugin/type_library.h"

#include <windows.h>

#include <string>

#include "plugin/com_error.h"
#include "plugin/module_state.h"
#include "plugin/scandrel.h"

namespace scandrel::plugin {

namespace {

struct InterfaceInfos {
    ComPtr<ITypeInfo> dispatch;
    ComPtr<ITypeInfo> vtable;
};

void check(HRESULT result) {
    if (FAILED(result)) throw errorFromResult(result);
}

InterfaceInfos loadInfos() {
    InterfaceInfos infos;
    ComPtr<ITypeLib> library;
    check(LoadTypeLibEx(modulePath().c_str(), REGKIND_NONE, library.put()));
    check(library->GetTypeInfoOfGuid(IID__Interface, infos.dispatch.put()));
    HREFTYPE vtableForm = 0;
    check(infos.dispatch->GetRefTypeOfImplType(-1, &vtableForm));
    check(infos.dispatch->GetRefTypeInfo(vtableForm, infos.vtable.put()));
    return infos;
}

// Kept for the life of the library once loaded; a failed load is tried again.
const InterfaceInfos& infos() {
    static InterfaceInfos loaded;
    if (!loaded.vtable) loaded = loadInfos();
    return loaded;
}

}  // namespace

ComPtr<ITypeInfo> interfaceDispatchInfo() { return infos().dispatch; }

ComPtr<ITypeInfo> interfaceVtableInfo() { return infos().vtable; }

std::wstring modulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(moduleHandle(), path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) throw errorFromResult(HRESULT_FROM_WIN32(GetLastError()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace scandrel::plugin
