#pragma once
// Owners of Win32 handles: each releases its handle when it goes out of scope.
#include <windows.h>

namespace scandrel::search::win32 {

class ModuleHandle {
public:
    explicit ModuleHandle(const wchar_t* name) : handle_(LoadLibraryW(name)) {}
    ~ModuleHandle() {
        if (handle_) FreeLibrary(handle_);
    }
    ModuleHandle(const ModuleHandle&) = delete;
    ModuleHandle& operator=(const ModuleHandle&) = delete;

    HMODULE get() const noexcept { return handle_; }

private:
    HMODULE handle_;
};

class WindowHandle {
public:
    explicit WindowHandle(HWND handle) : handle_(handle) {}
    ~WindowHandle() {
        if (handle_) DestroyWindow(handle_);
    }
    WindowHandle(const WindowHandle&) = delete;
    WindowHandle& operator=(const WindowHandle&) = delete;

    HWND get() const noexcept { return handle_; }

private:
    HWND handle_;
};

}  // namespace scandrel::search::win32
