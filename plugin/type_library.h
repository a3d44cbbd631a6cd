#pragma once
// The type library embedded in the library as resource TYPELIB 1.
#include <windows.h>
#include <oaidl.h>

#include <string>

#include "plugin/com_ptr.h"

namespace scandrel::plugin {

// The type information of _Interface: the dispatch form that clients are given, and
// the virtual-table form that drives invocation. Loaded once; throws scandrel::Error
// (the failing result) when the library can't be read.
ComPtr<ITypeInfo> interfaceDispatchInfo();
ComPtr<ITypeInfo> interfaceVtableInfo();

// The full path of this library file.
std::wstring modulePath();

}  // namespace scandrel::plugin
