// The button's answer to the mouse, the keyboard and the focus.
//
//   released --press, enabled--> pressed (pressed look)
//   pressed  --move outside, enabled--> released (released look, no Click)
//   pressed  --release, enabled--> wait 50 ms, released look, Click
//   pressed  --pointer taken by another window--> released (released look, no Click)
//   disabled: presses, moves and releases change nothing; a pressed button stays pressed.
#include "controls/cxCommand/command_button.h"

namespace scandrel::controls {

namespace {

constexpr int kReleaseWait = 50;
constexpr int kKeyHold = 100;

}  // namespace

void CommandButton::press() {
    if (!enabled_) return;
    pressed_ = true;
    redraw(false);
}

void CommandButton::release() {
    if (!enabled_ || !pressed_) return;
    surface_.wait(kReleaseWait);
    pressed_ = false;
    redraw(false);
    // The owner's handler may run for long, pump messages and press this button again;
    // nothing of the button is touched after it.
    surface_.raiseClick();
}

void CommandButton::mouseDown() {
    if (enabled_) surface_.capturePointer(true);
    press();
}

void CommandButton::mouseMove(TwipPoint point) {
    if (!enabled_ || !pressed_) return;
    // A point on the right or bottom edge still counts as inside.
    if (point.x < 0 || point.x > size_.width || point.y < 0 || point.y > size_.height) {
        pressed_ = false;
        redraw(false);
    }
}

void CommandButton::mouseUp() {
    surface_.capturePointer(false);
    release();
}

// Whether enabled or not: nothing would ever release a button held without the pointer.
void CommandButton::pointerLost() {
    if (!pressed_) return;
    pressed_ = false;
    redraw(false);
}

void CommandButton::keyDown(int keyCode) {
    if (keyCode != kEnter && keyCode != kSpace) return;
    press();
    surface_.wait(kKeyHold);
    release();
}

void CommandButton::gotFocus() {
    face_.focusVisible = true;
    surface_.repaintNow();
}

void CommandButton::lostFocus() {
    face_.focusVisible = false;
    surface_.repaintNow();
}

}  // namespace scandrel::controls
