#pragma once
// The plug-in as Clinora uses it: created by ProgID (or class id), then Fire and
// Move called late bound through IDispatch, with the arguments passed by
// reference as a compiled host passes them.
#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "plugin/com_ptr.h"

namespace scandrel::host {

inline constexpr wchar_t kPluginProgId[] = L"Scandrel.Interface";
inline constexpr CLSID kPluginClassId = {0x7B7B5B7F, 0x4112, 0x42A0, {0x99, 0xE1, 0x14, 0xF9, 0xAE, 0x71, 0xE2, 0xA1}};

// A call to the plug-in that failed; what() is a UTF-8 line for the report.
class PluginFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

plugin::ComPtr<IDispatch> createPlugin(bool byClassId);

void callFire(IDispatch* plugin, IDispatch* hostObject);

// Positions and sizes in twips.
void callMove(IDispatch* plugin, int32_t left, int32_t top, int32_t width, int32_t height);

// "0x80004005" and the system's or the exception's description, for reports.
std::string describeFailure(HRESULT result, const EXCEPINFO* info = nullptr);

}  // namespace scandrel::host
