#pragma once
// The screen's resolution, which turns twips into pixels (96 dots per inch as a rule).
// Read once, on first use; any thread may ask.

namespace scandrel::win32 {

int screenDpi();

}  // namespace scandrel::win32
