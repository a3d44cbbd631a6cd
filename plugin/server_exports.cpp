// The entry points of the in-process server.
#include <windows.h>
#include <objbase.h>

#include <cwchar>

#include "plugin/class_factory.h"
#include "plugin/module_state.h"
#include "plugin/registration.h"
#include "plugin/scandrel.h"

using namespace scandrel::plugin;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        setModuleHandle(module);
        DisableThreadLibraryCalls(module);
    } else if (reason == DLL_PROCESS_DETACH && reserved) {
        abandonFireReferences();
    }
    return TRUE;
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_Interface) return CLASS_E_CLASSNOTAVAILABLE;
    return interfaceFactory().QueryInterface(iid, object);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return canUnload() ? S_OK : S_FALSE; }

HRESULT STDAPICALLTYPE DllRegisterServer() { return registerServer(Scope::machine); }

HRESULT STDAPICALLTYPE DllUnregisterServer() { return unregisterServer(Scope::machine); }

// regsvr32 /n /i:user registers for the current user only; /u /n /i:user removes that.
HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR commandLine) {
    Scope scope = Scope::machine;
    if (commandLine && _wcsicmp(commandLine, L"user") == 0) {
        scope = Scope::user;
    } else if (commandLine && *commandLine) {
        return E_INVALIDARG;
    }
    return install ? registerServer(scope) : unregisterServer(scope);
}

}  // extern "C"
