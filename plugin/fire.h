#pragma once
// What Fire and Move do for the host, apart from the COM plumbing.
#include <windows.h>
#include <oaidl.h>

#include <cstdint>

namespace scandrel::plugin {

// Opens the search for `host`: keeps the host and a new search window as the module's
// references, asks the host for the access right, gives the window the host's
// database and shows it. Failures are shown to the user as boxes, never thrown.
void fire(IDispatch* host) noexcept;

// Places the window of the last Fire with its outer top-left at `left`, `top` (twips).
// Throws scandrel::Error 91 when no Fire has made a window.
void moveSearchWindow(float left, int32_t top);

}  // namespace scandrel::plugin
