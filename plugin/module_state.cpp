#include "plugin/module_state.h"

#include "win32/module_use.h"

namespace scandrel::plugin {

namespace {

HINSTANCE module = nullptr;
LONG liveObjects = 0;
LONG serverLocks = 0;

// Made on first use; freed when the library is unloaded, abandoned when the process ends.
std::unique_ptr<FireReferences> references;

}  // namespace

HINSTANCE moduleHandle() noexcept { return module; }

void setModuleHandle(HINSTANCE handle) noexcept { module = handle; }

void objectCreated() noexcept { InterlockedIncrement(&liveObjects); }

void objectDestroyed() noexcept { InterlockedDecrement(&liveObjects); }

void lockServer(bool lock) noexcept {
    if (lock) {
        InterlockedIncrement(&serverLocks);
    } else {
        InterlockedDecrement(&serverLocks);
    }
}

bool canUnload() noexcept {
    return liveObjects == 0 && serverLocks == 0 && search::win32::loadedWindowCount() == 0 &&
           win32::moduleUsesOpen() == 0;
}

FireReferences& fireReferences() noexcept {
    if (!references) references = std::make_unique<FireReferences>();
    return *references;
}

void abandonFireReferences() noexcept {
    // Deliberately never destroyed: the host object may be gone, and the window's thread
    // may no longer run.
    static_cast<void>(references.release());
}

}  // namespace scandrel::plugin
