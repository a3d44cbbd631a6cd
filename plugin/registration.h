#pragma once
// Registration of the server: the type library, the class and its ProgID, for the
// whole machine or for the current user only.
#include <windows.h>

namespace scandrel::plugin {

enum class Scope { machine, user };

// Return S_OK or the failing status. A registration that fails part way removes
// what it wrote.
HRESULT registerServer(Scope scope) noexcept;
HRESULT unregisterServer(Scope scope) noexcept;

}  // namespace scandrel::plugin
