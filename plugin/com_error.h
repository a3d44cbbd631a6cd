#pragma once
// Errors across the COM boundary: the numbers and descriptions a host's user sees
// for failed automation calls, and the error results and information we hand back.
#include <windows.h>
#include <oaidl.h>

#include <string>

#include "text/error.h"

namespace scandrel::plugin {

namespace errors {
inline constexpr int32_t kObjectNotSet = 91;
inline constexpr int32_t kMemberMissing = 438;
}  // namespace errors

Error objectNotSet();
Error memberMissing();

// The number a failing result carries: the low 16 bits of a control-facility result
// (0x800Axxxx), otherwise the result itself as a signed number.
int32_t errorNumberOf(HRESULT result);

// A failing result with the platform's message for it (or a generic description).
Error errorFromResult(HRESULT result);

// An exception reported by an automation call (DISP_E_EXCEPTION): its own number and
// description, after the deferred fill-in when there is one.
Error errorFromException(EXCEPINFO& exception);

// The result that carries `error` back to a caller: 0x800Axxxx for the numbers a
// control-facility result can hold, otherwise E_FAIL.
HRESULT resultOf(const Error& error);

// Leaves `error` as the thread's error information for a call on `iid`.
void setErrorInfo(const Error& error, REFIID iid);

}  // namespace scandrel::plugin
