#pragma once
// The screen's resolution, which turns twips into pixels (96 dots per inch as a rule).

namespace scandrel::controls::win32 {

int screenDpi();

}  // namespace scandrel::controls::win32
