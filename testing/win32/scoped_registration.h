#pragma once
// Registers a COM server library for the length of a scope: for the whole machine
// (DllRegisterServer) or for the current user (DllInstall(TRUE, L"user")), and
// unregisters it the same way at the end.
#include <windows.h>

#include <string>

namespace scandrel::testing {

enum class RegistrationScope { machine, user };

class ScopedRegistration {
public:
    // Throws std::runtime_error when the library can't be loaded or registered.
    explicit ScopedRegistration(const std::wstring& library, RegistrationScope scope = RegistrationScope::machine);
    ~ScopedRegistration();
    ScopedRegistration(const ScopedRegistration&) = delete;
    ScopedRegistration& operator=(const ScopedRegistration&) = delete;

private:
    HMODULE module_;
    RegistrationScope scope_;
};

// Calls the library's own entry point; returns its result (or the loading failure).
HRESULT registerServer(const std::wstring& library, RegistrationScope scope);
HRESULT unregisterServer(const std::wstring& library, RegistrationScope scope);

// The full path of `path`, with the platform's separators.
std::wstring fullPath(const std::wstring& path);

}  // namespace scandrel::testing
