#pragma once
// What a button needs from the platform that shows it. The button calls these in the
// order its behaviour needs them: a wait comes after the repaint that must be on
// screen during it, the click after the released look is drawn.
#include <string_view>

#include "controls/cxCommand/platform_objects.h"
#include "text/twips.h"

namespace scandrel::controls {

class ButtonSurface {
public:
    virtual ~ButtonSurface() = default;

    // The size of `text` on one line in `font` (an empty text is one line high).
    virtual TwipSize textExtent(std::u16string_view text, const Font& font) = 0;
    // Turns a stored font into the platform's font object.
    virtual Font makeFont(const StoredFont& stored) = 0;

    // Brings the visible face up to date with the button's face before returning.
    virtual void repaintNow() = 0;
    // Blocks the thread; nothing else runs meanwhile.
    virtual void wait(int milliseconds) = 0;
    // Raises Click; the owner's handler runs to completion inside.
    virtual void raiseClick() = 0;
    // Takes (true) or gives back (false) the pointer, so that moves and releases
    // outside the button still reach it.
    virtual void capturePointer(bool take) = 0;
};

}  // namespace scandrel::controls
