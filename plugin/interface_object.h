#pragma once
// The creatable class Interface: the dual interface _Interface (Fire, Move), its
// dispatch driven by the embedded type library, and the standard error information.
#include <windows.h>
#include <oaidl.h>

#include "plugin/scandrel.h"

namespace scandrel::plugin {

class InterfaceObject final : public _Interface, public ISupportErrorInfo {
public:
    InterfaceObject() noexcept;
    InterfaceObject(const InterfaceObject&) = delete;
    InterfaceObject& operator=(const InterfaceObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* badArgument) override;

    // _Interface
    HRESULT STDMETHODCALLTYPE Fire(IDispatch** ClObj) override;
    HRESULT STDMETHODCALLTYPE Move(LONG* Left, LONG* Top, LONG* Width, LONG* Height, VARIANT_BOOL* Move) override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

private:
    ~InterfaceObject();

    LONG references_ = 1;
};

}  // namespace scandrel::plugin
