#include "plugin/interface_object.h"

#include "plugin/com_error.h"
#include "plugin/com_ptr.h"
#include "plugin/fire.h"
#include "plugin/module_state.h"
#include "plugin/type_library.h"

namespace scandrel::plugin {

InterfaceObject::InterfaceObject() noexcept { objectCreated(); }

InterfaceObject::~InterfaceObject() { objectDestroyed(); }

HRESULT InterfaceObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__Interface) {
        *object = static_cast<_Interface*>(this);
    } else if (iid == IID_ISupportErrorInfo) {
        *object = static_cast<ISupportErrorInfo*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG InterfaceObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG InterfaceObject::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT InterfaceObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT InterfaceObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    try {
        *info = interfaceDispatchInfo().detach();
        return S_OK;
    } catch (const Error& error) {
        return resultOf(error);
    }
}

HRESULT InterfaceObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    try {
        return DispGetIDsOfNames(interfaceVtableInfo().get(), names, count, ids);
    } catch (const Error& error) {
        return resultOf(error);
    }
}

// The platform's dispatch from the type information converts the arguments to the
// parameters' types (by value or by reference), checks their number, and turns a
// failing method into an exception described by the error information it left.
HRESULT InterfaceObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                                EXCEPINFO* exception, UINT* badArgument) {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    try {
        return DispInvoke(static_cast<_Interface*>(this), interfaceVtableInfo().get(), id, flags, parameters, result,
                          exception, badArgument);
    } catch (const Error& error) {
        return resultOf(error);
    }
}

HRESULT InterfaceObject::Fire(IDispatch** ClObj) {
    fire(ClObj ? *ClObj : nullptr);
    return S_OK;
}

HRESULT InterfaceObject::Move(LONG* Left, LONG* Top, LONG*, LONG*, VARIANT_BOOL*) {
    try {
        if (!Left || !Top) return E_POINTER;
        moveSearchWindow(static_cast<float>(*Left), *Top);
        return S_OK;
    } catch (const Error& error) {
        setErrorInfo(error, IID__Interface);
        return resultOf(error);
    } catch (const std::exception&) {
        return E_FAIL;
    }
}

HRESULT InterfaceObject::InterfaceSupportsErrorInfo(REFIID iid) { return iid == IID__Interface ? S_OK : S_FALSE; }

}  // namespace scandrel::plugin
