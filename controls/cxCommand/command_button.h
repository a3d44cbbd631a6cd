#pragma once
// The skinned command button: its properties, how it saves and loads them, the layout
// of its face and its answer to the mouse, the keyboard and the focus. The platform
// paints `face()` and feeds input in; the button tells it what to do through its
// ButtonSurface.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "controls/cxCommand/button_surface.h"
#include "controls/cxCommand/platform_objects.h"
#include "controls/cxCommand/property_bag.h"
#include "controls/cxCommand/skin.h"
#include "text/twips.h"

namespace scandrel::controls {

inline constexpr uint32_t kCaptionBlack = 0x000000;
inline constexpr uint32_t kCaptionGrey = 0x808080;  // 8421504
inline constexpr uint32_t kFocusWhite = 0xFFFFFF;
inline constexpr uint32_t kFocusGrey = 0x808080;

// The smallest width and height the button takes (7 pixels).
inline constexpr int32_t kMinimumSide = 105;

// Everything the platform draws, bottom to top: centre (piece 8), edges 1, 3, 5, 7,
// caption, icon, corners 0, 2, 4, 6, focus lines 3, 2, 1, 0; clipped to the button.
struct ButtonFace {
    std::array<TwipRect, kSkinPieces> pieces{};
    SkinSet skin = SkinSet::Released;
    std::u16string captionText = u"lblCaption";
    TwipRect caption{720, 480, 840, 225};
    uint32_t captionColor = kCaptionBlack;
    TwipRect iconSlot{240, 360, 375, 375};
    std::optional<Picture> icon;  // shown in the slot at its natural size
    // 0 top and 3 left white, 1 right and 2 bottom grey.
    std::array<TwipLine, 4> focusLines{};
    bool focusVisible = false;
};

class CommandButton {
public:
    static constexpr int kEnter = 13;
    static constexpr int kSpace = 32;

    // A new button: released, enabled, empty caption, no icons, captions in `font`.
    // The surface must outlive the button.
    CommandButton(ButtonSurface& surface, Font font);

    const std::u16string& caption() const noexcept { return caption_; }
    void setCaption(std::u16string caption);
    bool enabled() const noexcept { return enabled_; }
    void setEnabled(bool enabled);
    const std::optional<Picture>& iconNormal() const noexcept { return iconNormal_; }
    void setIconNormal(std::optional<Picture> picture);
    const std::optional<Picture>& iconDown() const noexcept { return iconDown_; }
    void setIconDown(std::optional<Picture> picture);
    // The caption's live font; replacing it lays nothing out.
    const Font& font() const noexcept { return font_; }
    void setFont(Font font);
    bool pressed() const noexcept { return pressed_; }

    // Loading throws scandrel::Error 13 for a stored value of the wrong kind; what was
    // applied before stays applied.
    void load(const PropertyBag& stored);
    void save(PropertyBag& stored) const;

    // The container sized the button. Returns the size it must have: both sides
    // become 105 when either is smaller.
    TwipSize resize(TwipSize size);
    TwipSize size() const noexcept { return size_; }
    const ButtonFace& face() const noexcept { return face_; }

    // Input, any mouse button; points in twips relative to the button.
    void mouseDown();
    void mouseMove(TwipPoint point);
    void mouseUp();
    // The pointer was taken by another window while the button was held.
    void pointerLost();
    void keyDown(int keyCode);
    void gotFocus();
    void lostFocus();

private:
    void press();
    void release();
    void redraw(bool layoutOnly);
    void placeIcon(int32_t captionWidth, int32_t captionHeight);
    void placeCaption();
    void placeFocusLines();

    ButtonSurface& surface_;
    std::u16string caption_;
    bool enabled_ = true;
    std::optional<Picture> iconNormal_;
    std::optional<Picture> iconDown_;
    Font font_;
    bool pressed_ = false;
    TwipSize size_;
    ButtonFace face_;
    TwipPoint iconPlace_{240, 360};  // the slot's laid-out place; pressing shows it 15 twips off
};

}  // namespace scandrel::controls
