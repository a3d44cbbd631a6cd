#pragma once
// The skinned command button as a child window of our own class. It takes the focus
// with Tab and shows its focus lines even when disabled (it is never a disabled
// window), answers every mouse button, Enter and Space, and raises Click to its owner.
// It is not registered as a COM class: its owner creates it directly.
#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <functional>
#include <memory>
#include <string>

#include "controls/cxCommand/property_bag.h"

namespace scandrel::controls::win32 {

inline constexpr wchar_t kCommandButtonClass[] = L"ScandrelCxCommand";

class CommandButtonWindow {
public:
    // Creates the button as a child of `parent` with control id `id` at `bounds` (pixels,
    // in the parent's client area), then loads `stored`: the form's keys "caption",
    // "enabled", "iconnormal", "icondown" and "font" (a StoredFont or an OLE font) in
    // any case; other keys, such as the extent, are the container's. Throws
    // scandrel::Error when the window or its font cannot be made, or a stored value
    // has the wrong kind.
    static std::unique_ptr<CommandButtonWindow> create(HWND parent, int id, const RECT& bounds,
                                                       const PropertyBag& stored);
    // Destroys the window if its parent has not already done so.
    ~CommandButtonWindow();
    CommandButtonWindow(const CommandButtonWindow&) = delete;
    CommandButtonWindow& operator=(const CommandButtonWindow&) = delete;

    // Null once the window is destroyed.
    HWND hwnd() const;

    // Runs on every click, inside the handling of the release or the key; it may run
    // for long and pump messages, and may destroy the button.
    void onClick(std::function<void()> handler);

    std::u16string caption() const;
    void setCaption(std::u16string caption);
    bool enabled() const;
    void setEnabled(bool enabled);
    Microsoft::WRL::ComPtr<IPictureDisp> iconNormal() const;
    void setIconNormal(IPictureDisp* picture);
    Microsoft::WRL::ComPtr<IPictureDisp> iconDown() const;
    void setIconDown(IPictureDisp* picture);
    // The caption's live font object.
    Microsoft::WRL::ComPtr<IFontDisp> font() const;
    void setFont(IFontDisp* font);
    bool pressed() const;

    void save(PropertyBag& stored) const;

    struct State;

private:
    explicit CommandButtonWindow(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
};

}  // namespace scandrel::controls::win32
