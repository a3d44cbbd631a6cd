#include "testing/win32/scoped_registration.h"

#include <stdexcept>

namespace scandrel::testing {

namespace {

using ServerCall = HRESULT(STDAPICALLTYPE*)();
using InstallCall = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);

HRESULT callEntry(HMODULE module, bool install, RegistrationScope scope) {
    if (!module) return HRESULT_FROM_WIN32(GetLastError());
    if (scope == RegistrationScope::user) {
        const auto entry = reinterpret_cast<InstallCall>(reinterpret_cast<void*>(GetProcAddress(module, "DllInstall")));
        return entry ? entry(install, L"user") : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    }
    const auto entry = reinterpret_cast<ServerCall>(reinterpret_cast<void*>(
        GetProcAddress(module, install ? "DllRegisterServer" : "DllUnregisterServer")));
    return entry ? entry() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

HRESULT callOnce(const std::wstring& library, bool install, RegistrationScope scope) {
    const HMODULE module = LoadLibraryW(library.c_str());
    const HRESULT result = callEntry(module, install, scope);
    if (module) FreeLibrary(module);
    return result;
}

}  // namespace

ScopedRegistration::ScopedRegistration(const std::wstring& library, RegistrationScope scope)
    : module_(LoadLibraryW(library.c_str())), scope_(scope) {
    const HRESULT result = callEntry(module_, true, scope);
    if (FAILED(result)) {
        if (module_) FreeLibrary(module_);
        throw std::runtime_error("registration failed: " + std::to_string(result));
    }
}

ScopedRegistration::~ScopedRegistration() {
    callEntry(module_, false, scope_);
    FreeLibrary(module_);
}

HRESULT registerServer(const std::wstring& library, RegistrationScope scope) { return callOnce(library, true, scope); }

HRESULT unregisterServer(const std::wstring& library, RegistrationScope scope) {
    return callOnce(library, false, scope);
}

std::wstring fullPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH * 2] = {};
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 2, buffer, nullptr);
    return std::wstring(buffer, length);
}

}  // namespace scandrel::testing
