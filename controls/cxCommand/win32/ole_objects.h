#pragma once
// The platform's font and picture objects (OLE fonts and pictures) as the button's
// opaque Font and Picture references, and back.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include "controls/cxCommand/platform_objects.h"

namespace scandrel::controls::win32 {

using Microsoft::WRL::ComPtr;

// Throws scandrel::Error when the platform cannot make the font.
Font makeOleFont(const StoredFont& stored);

// Shares the caller's object; null gives an empty reference.
Font fontOf(IFontDisp* font);
Picture pictureOf(IPictureDisp* picture);

ComPtr<IFontDisp> oleFontOf(const Font& font);
ComPtr<IPictureDisp> olePictureOf(const Picture& picture);

// The font's current GDI font, owned by the font object; null when there is none.
HFONT fontHandle(const Font& font);

// The picture's natural size in device pixels at `dpi`.
SIZE picturePixels(IPicture& picture, int dpi);

// Draws the picture unscaled with its top-left corner at (x, y).
void drawPicture(HDC dc, IPicture& picture, int x, int y, int dpi);

}  // namespace scandrel::controls::win32
