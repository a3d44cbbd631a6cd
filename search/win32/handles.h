#pragma once
// Owners of Win32 handles: each releases its handle when it goes out of scope.
#include <windows.h>

namespace scandrel::search::win32 {

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

// A font, brush, pen or bitmap, deleted when it goes out of scope.
template <typename T>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(T handle) : handle_(handle) {}
    ~GdiObject() {
        if (handle_) DeleteObject(handle_);
    }
    GdiObject(GdiObject&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            if (handle_) DeleteObject(handle_);
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    T get() const noexcept { return handle_; }

private:
    T handle_ = nullptr;
};

using FontHandle = GdiObject<HFONT>;
using BrushHandle = GdiObject<HBRUSH>;

}  // namespace scandrel::search::win32
