#include "win32/module_use.h"

namespace scandrel::win32 {
namespace {

int usesOpen = 0;  // everything here runs on the host's user-interface thread

}  // namespace

ModuleInUse::ModuleInUse() noexcept { ++usesOpen; }

ModuleInUse::~ModuleInUse() { --usesOpen; }

int moduleUsesOpen() noexcept { return usesOpen; }

}  // namespace scandrel::win32
