#pragma once
// What a window shows, read back from its own device context.
#include <windows.h>

#include "host/png_encoder.h"

namespace scandrel::host {

// The client area of `window` as it is on the screen now, after any pending
// painting of it and its children. Throws std::runtime_error when it can't be read.
RgbImage captureClientArea(HWND window);

}  // namespace scandrel::host
