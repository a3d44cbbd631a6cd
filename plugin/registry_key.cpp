#include "plugin/registry_key.h"

#include <objbase.h>

namespace scandrel::plugin {

RegistryKey::RegistryKey(HKEY root, const std::wstring& path) {
    const LONG status =
        RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key_, nullptr);
    if (status != ERROR_SUCCESS) throw RegistryFailure{HRESULT_FROM_WIN32(status)};
}

void RegistryKey::setText(const std::wstring& name, const std::wstring& value) {
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    const LONG status = RegSetValueExW(key_, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(value.c_str()), bytes);
    if (status != ERROR_SUCCESS) throw RegistryFailure{HRESULT_FROM_WIN32(status)};
}

HRESULT deleteKeyTree(HKEY root, const std::wstring& path) noexcept {
    const LONG status = RegDeleteTreeW(root, path.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return S_OK;
    return HRESULT_FROM_WIN32(status);
}

void deleteKeyIfEmpty(HKEY root, const std::wstring& path) noexcept {
    // RegDeleteKey refuses a key that still has subkeys.
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD subkeys = 0;
    DWORD values = 0;
    const LONG status =
        RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                         nullptr);
    RegCloseKey(key);
    if (status == ERROR_SUCCESS && subkeys == 0 && values == 0) RegDeleteKeyW(root, path.c_str());
}

std::wstring guidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

}  // namespace scandrel::plugin
