#pragma once
// Our code on the stack across a call that can run someone else's code or a message
// loop (a call to the host, a message box, the host opening a patient), or an object
// of ours held by someone else (an accessible object held by a screen reader). While
// one of these is open the library must stay loaded, whatever else is alive: the host
// may release our objects, close our windows and ask for unused libraries to be freed
// meanwhile, and the call still returns into this library.
namespace scandrel::win32 {

class ModuleInUse {
public:
    ModuleInUse() noexcept;
    ~ModuleInUse();
    ModuleInUse(const ModuleInUse&) = delete;
    ModuleInUse& operator=(const ModuleInUse&) = delete;
};

// How many ModuleInUse scopes are open now (on the host's user-interface thread).
int moduleUsesOpen() noexcept;

}  // namespace scandrel::win32
