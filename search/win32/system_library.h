#pragma once
// A library that comes with Windows (riched20.dll and the like), loaded for its owner
// from the system folder only: never from the program's folder, the current folder or
// the PATH, where anyone who can write there could plant a copy of their own. Freed
// when the owner goes out of scope; any thread.
#include <windows.h>

namespace scandrel::search::win32 {

class SystemLibrary {
public:
    // `name` is a bare file name ("riched20.dll"); null get() when it is not there.
    explicit SystemLibrary(const wchar_t* name);
    ~SystemLibrary();
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    HMODULE get() const noexcept { return handle_; }

private:
    HMODULE handle_;
};

}  // namespace scandrel::search::win32
