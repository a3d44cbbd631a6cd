#pragma once
// How the search window and its controls are found from outside: the window class,
// the caption and the child control identifiers. Test programs and the stand-in host
// use these, as UI automation would.

namespace scandrel::search::win32 {

inline constexpr wchar_t kSearchWindowClass[] = L"ScandrelForm1";
inline constexpr wchar_t kSearchWindowCaption[] = L"Clinora Scandrel";

enum ControlId : int {
    kTxtSearch = 101,
    kLblResults = 102,
    kLstResults = 103,
    kProgressBar1 = 104,
    kCxFind = 105,
    kCxCancel = 106,
    kLabel1 = 107,
    kRtfTest = 108,
};

}  // namespace scandrel::search::win32
