#pragma once
// Paints a button's face into a device context, bottom to top: the centre, the four
// edges, the caption, the icon, the four corners and the focus lines, clipped to the
// button. Skin pieces are copied pixel for pixel; a stretched piece repeats its
// source pixels (no smoothing).
#include <windows.h>

#include "controls/cxCommand/command_button.h"

namespace scandrel::controls::win32 {

// `pixels` is the button's client size; `dpi` converts the face's twips to pixels.
void paintFace(HDC target, const ButtonFace& face, const Font& font, SIZE pixels, int dpi);

}  // namespace scandrel::controls::win32
