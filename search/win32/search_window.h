#pragma once
// The search window: a small topmost tool window that stays open beside the host.
// Creating one does not yet make its Win32 window; the first show() does (the
// window is then "loaded") and fills it with its controls. The window keeps itself
// alive while it is loaded, so a later Fire may drop its reference to it.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace scandrel::search::win32 {

// Asks the host to open a patient by its counter. Throws scandrel::Error when the
// host's call fails; the window shows it as a numbered box.
using PatientOpener = std::function<void(int32_t counter)>;

class SearchWindow {
public:
    // `module` holds the window's resources (the background picture).
    static std::shared_ptr<SearchWindow> create(HINSTANCE module, PatientOpener opener);
    virtual ~SearchWindow() = default;

    // Full path of the database to search; read at the start of every run.
    virtual void setDbName(const std::u16string& path) = 0;
    virtual std::u16string dbName() const = 0;

    // Loads the window if it is not loaded yet, then shows it modeless and topmost
    // with the focus in the search box. Throws scandrel::Error when it can't.
    virtual void show() = 0;

    // Places the window's outer top-left corner at this screen position, in pixels,
    // keeping its size. Does nothing once the window has been closed or before it
    // was ever loaded.
    virtual void moveTo(int32_t left, int32_t top) = 0;

    // Loaded: the Win32 window exists, shown or hidden.
    virtual bool loaded() const = 0;
    virtual HWND handle() const = 0;
};

// Search windows loaded now, shown or hidden. The library must stay loaded while
// there is one.
int loadedWindowCount();

}  // namespace scandrel::search::win32
