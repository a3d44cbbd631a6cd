#pragma once
// A registry key that closes itself, and the few writes registration needs.
#include <windows.h>

#include <string>

namespace scandrel::plugin {

class RegistryKey {
public:
    // Creates the key (and its parents) for writing. Throws the failing status.
    RegistryKey(HKEY root, const std::wstring& path);
    ~RegistryKey() { RegCloseKey(key_); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // An empty name is the key's default value. Throws the failing status.
    void setText(const std::wstring& name, const std::wstring& value);

private:
    HKEY key_ = nullptr;
};

// The status of a failed registry call, carried as an exception.
struct RegistryFailure {
    HRESULT result;
};

// Removes the key with everything under it; a missing key is no failure.
HRESULT deleteKeyTree(HKEY root, const std::wstring& path) noexcept;
// Removes the key only if nothing is left under it.
void deleteKeyIfEmpty(HKEY root, const std::wstring& path) noexcept;

std::wstring guidText(REFGUID guid);

}  // namespace scandrel::plugin
