#include "win32/subclass.h"

#include <commctrl.h>

#include <memory>
#include <utility>

#include "win32/message_box.h"

namespace scandrel::win32 {
namespace {

constexpr UINT_PTR kSubclassId = 1;

// What the platform keeps for us beside the window (its reference data).
using Installed = std::shared_ptr<const SubclassHandler>;

LRESULT CALLBACK subclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR data) {
    auto* installed = reinterpret_cast<Installed*>(data);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, subclassProcedure, kSubclassId);
        // A handler still running further up the stack holds its own reference.
        const std::unique_ptr<Installed> last(installed);
        return DefSubclassProc(window, message, wParam, lParam);
    }
    const Installed handler = *installed;  // the window may go while the message is handled
    try {
        return (*handler)(window, message, wParam, lParam);
    } catch (...) {
        showFailure(window);
        return 0;
    }
}

}  // namespace

void subclassWindow(HWND window, SubclassHandler handler) {
    auto installed = std::make_unique<Installed>(std::make_shared<const SubclassHandler>(std::move(handler)));
    if (SetWindowSubclass(window, subclassProcedure, kSubclassId, reinterpret_cast<DWORD_PTR>(installed.get()))) {
        static_cast<void>(installed.release());  // freed at the window's WM_NCDESTROY
    }
}

LRESULT passOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace scandrel::win32
