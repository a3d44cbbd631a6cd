// The face's layout: skin pieces, caption and icon placement, the pressed offset,
// the minimum size and the focus lines.
#include "controls/cxCommand/command_button.h"

namespace scandrel::controls {

namespace {

constexpr int32_t kCorner = 45;        // a corner piece, 3 pixels
constexpr int32_t kCaptionInset = 60;  // a corner and one pixel
constexpr int32_t kIconGap = 45;       // between icon and caption
constexpr int32_t kPressOffset = 15;   // one pixel right and down while pressed

double half(int32_t twips) { return static_cast<double>(twips) / 2.0; }

}  // namespace

void CommandButton::redraw(bool layoutOnly) {
    const int32_t w = size_.width;
    const int32_t h = size_.height;
    if (w == 0 || h == 0) return;

    // Edges and centre run past the corners and the far sides; the stacking order and
    // the clipping leave corners, edges between them and the face inside.
    face_.pieces = {{
        {0, 0, kCorner, kCorner},
        {kCorner, 0, w, kCorner},
        {w - kCorner, 0, kCorner, kCorner},
        {w - kCorner, 0, kCorner, h},
        {w - kCorner, h - kCorner, kCorner, kCorner},
        {0, h - kCorner, w, kCorner},
        {0, h - kCorner, kCorner, kCorner},
        {0, kCorner, kCorner, h},
        {kCorner, kCorner, w, h},
    }};

    face_.captionText = caption_;
    const TwipSize extent = surface_.textExtent(face_.captionText, font_);
    face_.caption.width = extent.width;
    face_.caption.height = extent.height;

    placeIcon(extent.width, extent.height);
    placeCaption();
    if (layoutOnly) return;

    face_.skin = pressed_ ? SkinSet::Pressed : SkinSet::Released;
    if (pressed_) {
        if (iconDown_) face_.icon = iconDown_;
        face_.caption.left += kPressOffset;
        face_.caption.top += kPressOffset;
        face_.iconSlot.left = iconPlace_.x + kPressOffset;
        face_.iconSlot.top = iconPlace_.y + kPressOffset;
    } else {
        if (iconDown_) face_.icon = iconNormal_;
        face_.iconSlot.left = iconPlace_.x;
        face_.iconSlot.top = iconPlace_.y;
    }
    surface_.repaintNow();
}

// Icon and caption form one row, icon first, centred when it fits and starting at
// the left corner when it does not.
void CommandButton::placeIcon(int32_t cw, int32_t ch) {
    if (!iconNormal_) {
        face_.icon.reset();
        return;
    }
    const int32_t w = size_.width;
    const int32_t h = size_.height;
    const TwipSize icon = iconNormal_->size;
    face_.icon = iconNormal_;
    face_.iconSlot.width = icon.width;
    face_.iconSlot.height = icon.height;

    iconPlace_.x = cw + icon.width + kIconGap <= w ? whole(half(w - cw - icon.width - kIconGap)) : kCorner;
    if (h >= icon.height) {
        iconPlace_.y = icon.height >= ch ? whole(half(h - icon.height)) : whole(half(h - ch));
    } else {
        iconPlace_.y = kCorner;
    }
    face_.iconSlot.left = iconPlace_.x;
    face_.iconSlot.top = iconPlace_.y;
}

void CommandButton::placeCaption() {
    const int32_t w = size_.width;
    const int32_t h = size_.height;
    const int32_t cw = face_.caption.width;
    const int32_t ch = face_.caption.height;
    TwipRect& caption = face_.caption;

    if (!iconNormal_) {
        caption.left = cw < w ? whole(half(w - cw)) : kCaptionInset;
        caption.top = ch < h ? whole(half(h - ch)) : kCaptionInset;
    } else {
        const TwipRect& icon = face_.iconSlot;
        // A caption too wide for the row still follows the icon (and is clipped at
        // the right) rather than being pushed over it.
        caption.left = icon.width > 0 ? icon.left + icon.width + kIconGap : kCaptionInset;
        if (ch >= h) {
            caption.top = kCaptionInset;
        } else if (icon.height > ch) {
            caption.top = icon.top + whole(half(icon.height - ch));
        } else {
            caption.top = whole(half(h - ch));
        }
    }
    surface_.repaintNow();
}

TwipSize CommandButton::resize(TwipSize size) {
    if (size.width < kMinimumSide || size.height < kMinimumSide) size = {kMinimumSide, kMinimumSide};
    size_ = size;
    redraw(true);
    placeFocusLines();
    return size_;
}

// One pixel inside the border: the top and left lines stop two pixels short of each
// end, the right and bottom lines run the full side.
void CommandButton::placeFocusLines() {
    const int32_t sw = size_.width;
    const int32_t sh = size_.height;
    const TwipRect& right = face_.pieces[3];
    const TwipRect& bottom = face_.pieces[5];
    face_.focusLines = {{
        {{30, 15}, {sw - 30, 15}},
        {{sw - 30, right.top}, {sw - 30, right.top + right.height}},
        {{bottom.left, sh - 30}, {bottom.left + bottom.width, sh - 30}},
        {{15, 30}, {15, sh - 30}},
    }};
}

}  // namespace scandrel::controls
