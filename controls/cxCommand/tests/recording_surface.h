#pragma once
// A surface that records what the button asks for: the look on screen at each wait
// and click, the pointer capture, and every repaint.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/cxCommand/command_button.h"

namespace scandrel::controls::testing {

// A font whose characters are `charWidth` twips wide and 225 twips high.
inline Font fakeFont(int charWidth) { return Font{std::make_shared<int>(charWidth)}; }

inline Picture fakePicture(int32_t width, int32_t height) { return Picture{std::make_shared<int>(0), {width, height}}; }

class RecordingSurface : public ButtonSurface {
public:
    TwipSize textExtent(std::u16string_view text, const Font& font) override {
        const int charWidth = *static_cast<int*>(font.object.get());
        return {static_cast<int32_t>(text.size()) * charWidth, 225};
    }
    Font makeFont(const StoredFont& stored) override {
        madeFonts.push_back(stored);
        return fakeFont(static_cast<int>(stored.size / 1000));
    }
    void repaintNow() override {
        ++repaints;
        if (button) shown = button->face();
    }
    void wait(int milliseconds) override { log.push_back("wait " + std::to_string(milliseconds) + " " + look()); }
    void raiseClick() override {
        log.push_back("click " + look());
        if (onClick) onClick();
    }
    void capturePointer(bool take) override { log.push_back(take ? "capture" : "uncapture"); }

    std::string look() const { return shown.skin == SkinSet::Pressed ? "pressed" : "released"; }
    int clicks() const {
        int count = 0;
        for (const auto& entry : log) count += entry.rfind("click", 0) == 0;
        return count;
    }

    const CommandButton* button = nullptr;
    ButtonFace shown;  // the face as of the last repaint
    int repaints = 0;
    std::vector<std::string> log;
    std::vector<StoredFont> madeFonts;
    std::function<void()> onClick;
};

// A button of the window's size (97 x 17 pixels) with its surface.
struct TestButton {
    explicit TestButton(TwipSize size = {1455, 255}) : button(surface, fakeFont(100)) {
        surface.button = &button;
        button.resize(size);
        surface.log.clear();
    }
    RecordingSurface surface;
    CommandButton button;
};

}  // namespace scandrel::controls::testing
