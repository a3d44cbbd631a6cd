// The button window on the X display: what it shows, read back from its own device
// context, and how it answers real mouse and key messages.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <olectl.h>

#include <chrono>
#include <optional>
#include <vector>

#include "controls/cxCommand/skin.h"
#include "controls/cxCommand/win32/dib_canvas.h"
#include "controls/cxCommand/win32/ole_objects.h"
#include "controls/cxCommand/win32/tests/test_window.h"

namespace scandrel::controls::win32 {
namespace {

using testing::screenshot;
using testing::Screenshot;
using testing::TestWindow;

constexpr RECT kBounds{10, 40, 107, 57};  // the window's buttons: 97 x 17 pixels
constexpr int kW = 97;
constexpr int kH = 17;

// The skin as the face must show it.
uint32_t skinPixel(SkinSet set, int x, int y, int w, int h) {
    return testing::ninePiecePixel(skinPieces(set), x, y, w, h);
}

// The skin with the focus lines over it: white one pixel inside the top and left
// borders, two pixels short of each end; grey one pixel inside the right and bottom
// borders over the full side.
uint32_t focusedPixel(SkinSet set, int x, int y, int w, int h) {
    if (x == w - 2 || y == h - 2) return 0x808080;
    if ((y == 1 && x >= 2 && x < w - 2) || (x == 1 && y >= 2 && y < h - 2)) return 0xFFFFFF;
    return skinPixel(set, x, y, w, h);
}

int skinDifferences(const Screenshot& shot, SkinSet set, bool focused = false) {
    int differences = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const uint32_t expected = focused ? focusedPixel(set, x, y, shot.width, shot.height)
                                              : skinPixel(set, x, y, shot.width, shot.height);
            differences += shot.at(x, y) != expected;
        }
    }
    return differences;
}

struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
    bool operator==(const Box&) const = default;
};

// The bounding box of the pixels inside the border that `match` picks.
template <typename Match>
Box boxOf(const Screenshot& shot, Match match) {
    Box box;
    for (int y = 3; y < shot.height - 3; ++y) {
        for (int x = 3; x < shot.width - 3; ++x) {
            if (!match(shot.at(x, y))) continue;
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y)};
        }
    }
    return box;
}

bool dark(uint32_t rgb) { return ((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF) < 300 && rgb != 0xFF0000; }
bool red(uint32_t rgb) { return rgb == 0xFF0000; }

Box moved(Box box) { return {box.left + 1, box.top + 1, box.right + 1, box.bottom + 1}; }

LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

// A 16 x 16 red picture.
ComPtr<IPictureDisp> redPicture() {
    const BITMAPINFO info = topDownBitmapInfo({16, 16});
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<uint32_t*>(bits);
    for (int i = 0; i < 256; ++i) pixels[i] = 0xFF0000;
    PICTDESC description{};
    description.cbSizeofstruct = sizeof description;
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = bitmap;
    ComPtr<IPictureDisp> picture;
    OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE, reinterpret_cast<void**>(picture.GetAddressOf()));
    return picture;
}

class ButtonWindow : public ::testing::Test {
protected:
    // One window for all: a top-level window takes Wine seconds to make.
    static void SetUpTestSuite() { shared = std::make_unique<TestWindow>(); }
    static void TearDownTestSuite() { shared.reset(); }
    void TearDown() override { window.clear(); }

    void SetUp() override {
        button = &window.addButton(kBounds, u"Procurar");
        // Pointer moves the system makes up land inside the button.
        POINT centre{kW / 2, kH / 2};
        ClientToScreen(button->hwnd(), &centre);
        SetCursorPos(centre.x, centre.y);
        window.pump();
    }
    void post(UINT message, WPARAM wParam = 0, LPARAM lParam = at(20, 8)) {
        PostMessageW(button->hwnd(), message, wParam, lParam);
        window.pump();
    }
    Screenshot shot() { return screenshot(button->hwnd()); }

    static inline std::unique_ptr<TestWindow> shared;
    TestWindow& window = *shared;
    CommandButtonWindow* button = nullptr;
};

TEST_F(ButtonWindow, TheSkinsArePixelExactReleasedAndPressed) {
    button->setCaption(u"");
    window.pump();
    const Screenshot released = shot();
    ASSERT_EQ(released.width, kW);
    ASSERT_EQ(released.height, kH);
    EXPECT_EQ(skinDifferences(released, SkinSet::Released), 0);

    // A press takes the focus.
    post(WM_LBUTTONDOWN, MK_LBUTTON);
    EXPECT_EQ(skinDifferences(shot(), SkinSet::Pressed, true), 0);
    post(WM_LBUTTONUP);
    EXPECT_EQ(skinDifferences(shot(), SkinSet::Released, true), 0);
    EXPECT_EQ(window.clicks, 1);
}

TEST_F(ButtonWindow, CaptionAndIconMoveOnePixelWhilePressed) {
    CommandButtonWindow& wide = window.addButton({10, 80, 160, 110}, u"Procurar");
    const ComPtr<IPictureDisp> icon = redPicture();
    wide.setIconNormal(icon.Get());
    window.pump();
    const Screenshot released = screenshot(wide.hwnd());
    const Box caption = boxOf(released, dark);
    const Box picture = boxOf(released, red);
    ASSERT_GE(caption.right, 0) << "no caption drawn";
    ASSERT_EQ(picture.right - picture.left, 15) << "the icon is not drawn at its natural size";
    EXPECT_LT(picture.right, caption.left);

    PostMessageW(wide.hwnd(), WM_MBUTTONDOWN, MK_MBUTTON, at(20, 8));
    window.pump();
    const Screenshot pressed = screenshot(wide.hwnd());
    EXPECT_EQ(boxOf(pressed, dark), moved(caption));
    EXPECT_EQ(boxOf(pressed, red), moved(picture));

    PostMessageW(wide.hwnd(), WM_MBUTTONUP, 0, at(20, 8));
    window.pump();
    const Screenshot back = screenshot(wide.hwnd());
    EXPECT_EQ(boxOf(back, dark), caption);
    EXPECT_EQ(boxOf(back, red), picture);
}

TEST_F(ButtonWindow, TheCaptionIsGreyWhileDisabled) {
    button->setEnabled(false);
    window.pump();
    const Box grey = boxOf(shot(), [](uint32_t rgb) { return rgb == 0x808080; });
    EXPECT_GE(grey.right, 0);
    EXPECT_LT(boxOf(shot(), [](uint32_t rgb) { return rgb == 0; }).right, 0);
}

TEST_F(ButtonWindow, TabShowsTheFocusLinesEvenWhenDisabledAndLeavingHidesThem) {
    button->setCaption(u"");
    button->setEnabled(false);
    const Screenshot before = shot();
    PostMessageW(window.edit(), WM_KEYDOWN, VK_TAB, 0);
    window.pump();
    ASSERT_EQ(GetFocus(), button->hwnd());
    EXPECT_EQ(skinDifferences(shot(), SkinSet::Released, true), 0);

    PostMessageW(button->hwnd(), WM_KEYDOWN, VK_TAB, 0);
    window.pump();
    EXPECT_NE(GetFocus(), button->hwnd());
    EXPECT_EQ(skinDifferences(shot(), SkinSet::Released), 0);
    EXPECT_EQ(shot().pixels, before.pixels);
}

TEST_F(ButtonWindow, EveryMouseButtonClicks) {
    post(WM_LBUTTONDOWN, MK_LBUTTON);
    post(WM_LBUTTONUP);
    post(WM_RBUTTONDOWN, MK_RBUTTON);
    post(WM_RBUTTONUP);
    post(WM_MBUTTONDOWN, MK_MBUTTON);
    post(WM_MBUTTONUP);
    EXPECT_EQ(window.clicks, 3);
    EXPECT_EQ(GetFocus(), button->hwnd());
}

TEST_F(ButtonWindow, LeavingWhilePressedCancelsTheClick) {
    post(WM_LBUTTONDOWN, MK_LBUTTON);
    EXPECT_EQ(GetCapture(), button->hwnd());
    post(WM_MOUSEMOVE, MK_LBUTTON, at(-5, 8));
    EXPECT_FALSE(button->pressed());
    EXPECT_EQ(shot().at(6, 8), 0xAFBFCFu) << "the released face";
    post(WM_MOUSEMOVE, MK_LBUTTON, at(20, 8));
    EXPECT_FALSE(button->pressed());
    post(WM_LBUTTONUP);
    EXPECT_EQ(window.clicks, 0);
    EXPECT_NE(GetCapture(), button->hwnd());
}

TEST_F(ButtonWindow, APressOutsideReleasedOverTheButtonDoesNotClick) {
    PostMessageW(window.handle(), WM_LBUTTONDOWN, MK_LBUTTON, at(200, 150));
    window.pump();
    post(WM_LBUTTONUP);
    EXPECT_EQ(window.clicks, 0);
}

TEST_F(ButtonWindow, ADoubleClickIsNotAPress) {
    post(WM_LBUTTONDOWN, MK_LBUTTON);
    post(WM_LBUTTONUP);
    post(WM_LBUTTONDBLCLK, MK_LBUTTON);
    EXPECT_FALSE(button->pressed());
    post(WM_LBUTTONUP);
    EXPECT_EQ(window.clicks, 1);
}

// What the button put on screen and when: after each of its paints the face's centre
// is read back from its own device context, and its clicks are noted in the same
// log. The button's thread is blocked during its waits, so whatever a paint drew
// stays on screen until the next one.
class FaceLog {
public:
    enum class Event { pressedFace, releasedFace, otherFace, click };
    struct Entry {
        Event event;
        std::chrono::steady_clock::time_point at;
    };

    FaceLog(CommandButtonWindow& button, int& clicks) : button_(button.hwnd()) {
        SetWindowSubclass(button_, afterPaint, kId, reinterpret_cast<DWORD_PTR>(this));
        button.onClick([this, &clicks] {
            ++clicks;
            note(Event::click);
        });
    }
    ~FaceLog() { RemoveWindowSubclass(button_, afterPaint, kId); }
    FaceLog(const FaceLog&) = delete;
    FaceLog& operator=(const FaceLog&) = delete;

    // The events from the first pressed face on (a repaint of the released face that
    // was due anyway may come first), a face painted again in the same look counted once.
    std::vector<Event> fromPress() const {
        std::vector<Event> out;
        for (const Entry& e : entries_) {
            if (out.empty() && e.event != Event::pressedFace && e.event != Event::click) continue;
            if (out.empty() || out.back() != e.event || e.event == Event::click) out.push_back(e.event);
        }
        return out;
    }
    // How long the first pressed face stayed before the released face replaced it.
    std::chrono::milliseconds pressedShown() const {
        std::optional<std::chrono::steady_clock::time_point> pressed;
        for (const Entry& e : entries_) {
            if (e.event == Event::pressedFace && !pressed) pressed = e.at;
            if (e.event == Event::releasedFace && pressed) {
                return std::chrono::duration_cast<std::chrono::milliseconds>(e.at - *pressed);
            }
        }
        return std::chrono::milliseconds(-1);
    }
    void clear() { entries_.clear(); }

private:
    static constexpr UINT_PTR kId = 0xFACE;

    void note(Event event) { entries_.push_back({event, std::chrono::steady_clock::now()}); }

    static LRESULT CALLBACK afterPaint(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR ref) {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        if (message == WM_PAINT) {
            auto* self = reinterpret_cast<FaceLog*>(ref);
            const HDC dc = GetDC(window);
            const COLORREF centre = GetPixel(dc, 6, 8);
            ReleaseDC(window, dc);
            self->note(centre == RGB(0xC5, 0xD0, 0xDB)   ? Event::pressedFace
                       : centre == RGB(0xAF, 0xBF, 0xCF) ? Event::releasedFace
                                                         : Event::otherFace);
        }
        return result;
    }

    HWND button_;
    std::vector<Entry> entries_;
};

// Bounds on the waits that no load can break: a wait never ends early, and only a
// machine stalled for seconds makes one last this long.
constexpr auto kStalled = std::chrono::milliseconds(2000);

TEST_F(ButtonWindow, EnterAndSpaceShowThePressedLookForAboutHundredFiftyMillisecondsThenClickOnce) {
    SetFocus(button->hwnd());
    window.pump();
    FaceLog faces(*button, window.clicks);
    using Event = FaceLog::Event;
    for (const WPARAM key : {VK_RETURN, VK_SPACE}) {
        window.clicks = 0;
        faces.clear();
        const auto start = std::chrono::steady_clock::now();
        PostMessageW(button->hwnd(), WM_KEYDOWN, key, 0);
        window.pump();
        // Pressed, held through both waits (100 + 50 ms), released, then one click.
        EXPECT_EQ(faces.fromPress(), (std::vector<Event>{Event::pressedFace, Event::releasedFace, Event::click})) << key;
        EXPECT_GE(faces.pressedShown(), std::chrono::milliseconds(145)) << key;
        EXPECT_LT(faces.pressedShown(), kStalled) << key;
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(145));
        EXPECT_EQ(window.clicks, 1) << key;
        EXPECT_EQ(shot().at(6, 8), 0xAFBFCFu) << "the released face";
        EXPECT_FALSE(button->pressed());
    }
    faces.clear();
    post(WM_KEYDOWN, VK_ESCAPE, 0);
    post(WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(window.clicks, 1);
    EXPECT_TRUE(faces.fromPress().empty());
}

TEST_F(ButtonWindow, ADisabledButtonRaisesNothingAndEnterOnlyBlocks) {
    button->setEnabled(false);
    SetFocus(button->hwnd());
    window.pump();
    FaceLog faces(*button, window.clicks);
    post(WM_LBUTTONDOWN, MK_LBUTTON);
    EXPECT_FALSE(button->pressed());
    post(WM_LBUTTONUP);
    for (const WPARAM key : {VK_RETURN, VK_SPACE}) {
        const auto start = std::chrono::steady_clock::now();
        SendMessageW(button->hwnd(), WM_KEYDOWN, key, 0);
        const auto blocked = std::chrono::steady_clock::now() - start;
        EXPECT_GE(blocked, std::chrono::milliseconds(95));
        EXPECT_LT(blocked, kStalled);
    }
    window.pump();
    EXPECT_EQ(window.clicks, 0);
    // Nothing was drawn: the pressed look never showed.
    EXPECT_TRUE(faces.fromPress().empty());
}

TEST_F(ButtonWindow, AClickHandlerMayDestroyTheButton) {
    std::unique_ptr<CommandButtonWindow> owned =
        CommandButtonWindow::create(window.handle(), 200, {10, 120, 107, 137}, PropertyBag{});
    const HWND handle = owned->hwnd();
    int clicks = 0;
    owned->onClick([&] {
        ++clicks;
        owned.reset();
    });
    PostMessageW(handle, WM_LBUTTONDOWN, MK_LBUTTON, at(5, 5));
    PostMessageW(handle, WM_LBUTTONUP, 0, at(5, 5));
    window.pump();
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(IsWindow(handle));
}

}  // namespace
}  // namespace scandrel::controls::win32
