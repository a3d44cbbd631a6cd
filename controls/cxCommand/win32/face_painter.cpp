#include "controls/cxCommand/win32/face_painter.h"

#include <algorithm>
#include <cstdint>

#include "controls/cxCommand/win32/dib_canvas.h"
#include "controls/cxCommand/win32/ole_objects.h"

namespace scandrel::controls::win32 {

namespace {


int toPixels(int32_t twips, int dpi) { return twipsToPixels(twips, dpi); }

RECT pixelRect(const TwipRect& rect, int dpi) {
    const int left = toPixels(rect.left, dpi);
    const int top = toPixels(rect.top, dpi);
    return {left, top, left + toPixels(rect.width, dpi), top + toPixels(rect.height, dpi)};
}

// Each pixel of the rectangle takes the source pixel at the same relative place.
void stretchPiece(DibCanvas& canvas, const SkinPiece& piece, const RECT& to) {
    const int width = to.right - to.left;
    const int height = to.bottom - to.top;
    if (width <= 0 || height <= 0) return;
    for (int y = 0; y < height; ++y) {
        const int sourceY = y * piece.height / height;
        for (int x = 0; x < width; ++x) canvas.set(to.left + x, to.top + y, piece.at(x * piece.width / width, sourceY));
    }
}

void placePiece(DibCanvas& canvas, const SkinPiece& piece, const RECT& to) {
    for (int y = 0; y < piece.height; ++y) {
        for (int x = 0; x < piece.width; ++x) canvas.set(to.left + x, to.top + y, piece.at(x, y));
    }
}

// Horizontal or vertical, one pixel wide, the end point left out.
void drawLine(DibCanvas& canvas, const TwipLine& line, uint32_t rgb, int dpi) {
    const int x0 = toPixels(line.from.x, dpi);
    const int y0 = toPixels(line.from.y, dpi);
    const int x1 = toPixels(line.to.x, dpi);
    const int y1 = toPixels(line.to.y, dpi);
    if (y0 == y1) {
        for (int x = std::min(x0, x1); x < std::max(x0, x1); ++x) canvas.set(x, y0, rgb);
    } else if (x0 == x1) {
        for (int y = std::min(y0, y1); y < std::max(y0, y1); ++y) canvas.set(x0, y, rgb);
    }
}

COLORREF colorRef(uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void drawCaption(DibCanvas& canvas, const ButtonFace& face, const Font& font, int dpi) {
    if (face.captionText.empty()) return;
    const HDC dc = canvas.dc();
    const HFONT handle = fontHandle(font);
    const HGDIOBJ previous = handle ? SelectObject(dc, handle) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colorRef(face.captionColor));
    TextOutW(dc, toPixels(face.caption.left, dpi), toPixels(face.caption.top, dpi),
             reinterpret_cast<const wchar_t*>(face.captionText.data()), static_cast<int>(face.captionText.size()));
    if (previous) SelectObject(dc, previous);
}

void drawIcon(DibCanvas& canvas, const ButtonFace& face, int dpi) {
    if (!face.icon) return;
    ComPtr<IPicture> picture;
    const ComPtr<IPictureDisp> object = olePictureOf(*face.icon);
    if (!object || FAILED(object.As(&picture))) return;
    drawPicture(canvas.dc(), *picture.Get(), toPixels(face.iconSlot.left, dpi), toPixels(face.iconSlot.top, dpi), dpi);
}

}  // namespace

void paintFace(HDC target, const ButtonFace& face, const Font& font, SIZE pixels, int dpi) {
    if (pixels.cx <= 0 || pixels.cy <= 0) return;
    DibCanvas canvas(pixels);
    if (!canvas.ready()) return;
    const auto& pieces = skinPieces(face.skin);
    auto pieceRect = [&](int k) { return pixelRect(face.pieces[static_cast<size_t>(k)], dpi); };
    auto piece = [&](int k) -> const SkinPiece& { return pieces[static_cast<size_t>(k)]; };

    for (const int k : {8, 1, 3, 5, 7}) stretchPiece(canvas, piece(k), pieceRect(k));
    GdiFlush();
    drawCaption(canvas, face, font, dpi);
    drawIcon(canvas, face, dpi);
    GdiFlush();
    for (const int k : {0, 2, 4, 6}) placePiece(canvas, piece(k), pieceRect(k));
    if (face.focusVisible) {
        constexpr uint32_t colours[] = {kFocusWhite, kFocusGrey, kFocusGrey, kFocusWhite};
        for (int k = 3; k >= 0; --k) drawLine(canvas, face.focusLines[static_cast<size_t>(k)], colours[k], dpi);
    }
    BitBlt(target, 0, 0, pixels.cx, pixels.cy, canvas.dc(), 0, 0, SRCCOPY);
}

}  // namespace scandrel::controls::win32
