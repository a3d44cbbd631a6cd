#pragma once
// Reading accessible objects as an assistive tool does.
#include <windows.h>
#include <oleacc.h>

#include <string>

namespace scandrel::testing {

// The object itself, as a child id.
inline VARIANT childSelf() {
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = CHILDID_SELF;
    return child;
}

// The text of a string the object returned, which it frees.
inline std::wstring takeText(BSTR text) {
    std::wstring result = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return result;
}

}  // namespace scandrel::testing
