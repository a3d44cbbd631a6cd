#include "plugin/class_factory.h"

#include <new>

#include "plugin/interface_object.h"
#include "plugin/module_state.h"

namespace scandrel::plugin {

HRESULT InterfaceFactory::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT InterfaceFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* created = new (std::nothrow) InterfaceObject();
    if (!created) return E_OUTOFMEMORY;
    const HRESULT result = created->QueryInterface(iid, object);
    created->Release();
    return result;
}

HRESULT InterfaceFactory::LockServer(BOOL lock) {
    lockServer(lock != FALSE);
    return S_OK;
}

InterfaceFactory& interfaceFactory() noexcept {
    static InterfaceFactory factory;
    return factory;
}

}  // namespace scandrel::plugin
