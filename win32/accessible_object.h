#pragma once
// What a window of ours tells screen readers and other assistive tools: the platform's
// standard accessible object for the window's client area, with the parts the window
// answers itself (its role, name, value, state, default action or children). The
// window hands it out when asked with WM_GETOBJECT, on its own thread; the library
// stays loaded while a client holds one.
#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace scandrel::win32 {

struct AccessibleParts {
    std::optional<long> role;
    std::function<std::u16string()> name;
    std::function<std::u16string()> value;
    // Given the standard object's state bits, the window's own.
    std::function<long(long standard)> state;
    std::u16string defaultAction;
    // Starts the default action and returns at once; false when it is not available now.
    std::function<bool()> doDefaultAction;
    // The children, as the client objects of these windows, in this order.
    std::function<std::vector<HWND>()> children;
    // The description of a simple child of the standard object (a list box's item,
    // counting from 1); an empty text leaves the question to the standard object.
    std::function<std::u16string(long child)> childDescription;
};

// Whether WM_GETOBJECT asks for the client area's object; other questions go on to
// the window's own procedure.
inline bool asksForClient(LPARAM lParam) { return static_cast<LONG>(lParam) == OBJID_CLIENT; }

// The answer to WM_GETOBJECT for the client area: the object made from `parts`, or 0
// when none can be made.
LRESULT answerGetObject(HWND window, WPARAM wParam, AccessibleParts parts);

// The text of a window, as a name.
std::u16string windowText(HWND window);

}  // namespace scandrel::win32
