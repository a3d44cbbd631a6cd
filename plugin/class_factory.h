#pragma once
// The class factory of Interface. One instance lives as long as the library.
#include <windows.h>
#include <unknwn.h>

namespace scandrel::plugin {

class InterfaceFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    // The factory is not counted: a client keeps the library loaded with LockServer.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;
};

InterfaceFactory& interfaceFactory() noexcept;

}  // namespace scandrel::plugin
