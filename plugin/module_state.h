#pragma once
// State of the loaded library, one set per process, used on the host's user-interface
// thread: the module handle, the live objects and class-factory locks that keep the
// library loaded, and the references the last Fire left behind.
#include <windows.h>
#include <oaidl.h>

#include <memory>

#include "plugin/com_ptr.h"
#include "search/win32/search_window.h"

namespace scandrel::plugin {

HINSTANCE moduleHandle() noexcept;
void setModuleHandle(HINSTANCE module) noexcept;

void objectCreated() noexcept;
void objectDestroyed() noexcept;
void lockServer(bool lock) noexcept;
// No live object, no class-factory lock, no loaded search window and none of our
// code on the stack under a call out (a call to the host, a message box).
bool canUnload() noexcept;

// The host object and the search window of the last Fire. Neither is cleared by the
// plug-in; the next Fire replaces both.
struct FireReferences {
    ComPtr<IDispatch> hostObject;
    std::shared_ptr<search::win32::SearchWindow> searchWindow;
};
FireReferences& fireReferences() noexcept;

// The process is ending: the host and our windows may already be gone, so the
// references are let go without being released.
void abandonFireReferences() noexcept;

}  // namespace scandrel::plugin
