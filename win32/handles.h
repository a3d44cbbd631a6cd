#pragma once
// Owners of Win32 handles for the windows of the plug-in and the stand-in host: each
// releases its handle when it goes out of scope. Handles that could not be made are
// held as null and released as nothing; whoever needs one checks get(). Used on the
// thread that made the handle.
#include <windows.h>

namespace scandrel::win32 {

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
using BitmapHandle = GdiObject<HBITMAP>;

// The device context of a window's client area, or of the whole screen for a null window.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A memory device context compatible with `compatible` (the screen's kind when null).
class MemoryDc {
public:
    explicit MemoryDc(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
    ~MemoryDc() {
        if (dc_) DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;

    HDC get() const noexcept { return dc_; }

private:
    HDC dc_;
};

// An object selected into a device context, and the one it replaced selected back
// when the selection goes out of scope. Declared after the object and the context, so
// that it ends before them.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~Selection() {
        if (previous_) SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

    // Whether the object was selected.
    bool selected() const noexcept { return previous_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace scandrel::win32
