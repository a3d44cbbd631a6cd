#include "search/win32/system_library.h"

#include <string>

namespace scandrel::search::win32 {

namespace {

HMODULE loadFromSystemFolder(const wchar_t* name) {
    if (const HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    // Windows without the safe-search update refuses the flag as an invalid parameter;
    // there the library is named by its full path in the system folder, and the
    // libraries it needs in turn are looked for beside it first.
    if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    const UINT length = GetSystemDirectoryW(nullptr, 0);
    if (length == 0) return nullptr;
    std::wstring path(length, L'\0');
    const UINT written = GetSystemDirectoryW(path.data(), length);
    if (written == 0 || written >= length) return nullptr;
    path.resize(written);
    path += L'\\';
    path += name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

SystemLibrary::SystemLibrary(const wchar_t* name) : handle_(loadFromSystemFolder(name)) {}

SystemLibrary::~SystemLibrary() {
    if (handle_) FreeLibrary(handle_);
}

}  // namespace scandrel::search::win32
