#include "controls/cxCommand/win32/command_button_window.h"

#include <windowsx.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "controls/cxCommand/command_button.h"
#include "controls/cxCommand/win32/face_painter.h"
#include "controls/cxCommand/win32/ole_objects.h"
#include "text/error.h"
#include "win32/accessible_object.h"
#include "win32/message_box.h"
#include "win32/screen_dpi.h"

namespace scandrel::controls::win32 {

using scandrel::win32::AccessibleParts;
using scandrel::win32::answerGetObject;
using scandrel::win32::asksForClient;
using scandrel::win32::screenDpi;

namespace {

const StoredFont kCaptionFont{u"Arial", 90000, 400, 0};
// Posted by the accessible object's default action: a click as the mouse makes it.
constexpr UINT kDefaultActionMessage = WM_USER + 1;
constexpr char16_t kDefaultAction[] = u"Pressionar";

int32_t toTwips(int pixels) { return pixelsToTwips(pixels, screenDpi()); }
int toPixels(int32_t twips) { return twipsToPixels(twips, screenDpi()); }

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The module holding this code: the plug-in library, not the host's program.
HINSTANCE ownModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&windowProcedure), &module);
    return module;
}

// The window class, registered on first use and unregistered when the library is
// unloaded, so that a library loaded again registers its own window procedure.
class ClassRegistration {
public:
    ClassRegistration() {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        // Double-clicks arrive as their own messages, which the button ignores.
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = windowProcedure;
        windowClass.hInstance = ownModule();
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kCommandButtonClass;
        registered_ = RegisterClassExW(&windowClass) != 0;
        error_ = registered_ ? 0 : GetLastError();
    }
    ~ClassRegistration() {
        if (registered_) UnregisterClassW(kCommandButtonClass, ownModule());
    }
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;

    void check() const {
        if (!registered_) throw Error(static_cast<int32_t>(error_), u"Não foi possível registrar o botão");
    }

private:
    bool registered_ = false;
    DWORD error_ = 0;
};

void registerClass() {
    static const ClassRegistration registration;
    registration.check();
}

}  // namespace

// The button's model, its window and what the model asks of the window.
struct CommandButtonWindow::State final : ButtonSurface, std::enable_shared_from_this<State> {
    State() : model(*this, makeOleFont(kCaptionFont)) {}

    TwipSize textExtent(std::u16string_view text, const Font& font) override {
        const HDC dc = CreateCompatibleDC(nullptr);
        const HFONT handle = fontHandle(font);
        const HGDIOBJ previous = handle ? SelectObject(dc, handle) : nullptr;
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        SIZE extent{0, 0};
        if (!text.empty()) {
            GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()),
                                  &extent);
        }
        if (previous) SelectObject(dc, previous);
        DeleteDC(dc);
        return {toTwips(extent.cx), toTwips(metrics.tmHeight)};
    }
    Font makeFont(const StoredFont& stored) override { return makeOleFont(stored); }
    void repaintNow() override {
        if (window) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    void wait(int milliseconds) override { Sleep(static_cast<DWORD>(milliseconds)); }
    void raiseClick() override {
        const std::function<void()> handler = clickHandler;
        if (handler) handler();
    }
    void capturePointer(bool take) override {
        if (!window) return;
        if (take) {
            SetCapture(window);
        } else if (GetCapture() == window) {
            releasingCapture = true;
            ReleaseCapture();
            releasingCapture = false;
        }
    }

    void sized() {
        RECT client{};
        GetClientRect(window, &client);
        const TwipSize wanted = model.resize({toTwips(client.right), toTwips(client.bottom)});
        const int width = toPixels(wanted.width);
        const int height = toPixels(wanted.height);
        if (width != client.right || height != client.bottom) {
            SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }

    void paint() {
        PAINTSTRUCT paint{};
        const HDC dc = BeginPaint(window, &paint);
        RECT client{};
        GetClientRect(window, &client);
        paintFace(dc, model.face(), model.font(), {client.right, client.bottom}, screenDpi());
        EndPaint(window, &paint);
    }

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_SIZE:
            sized();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            paint();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            if (GetFocus() != window) SetFocus(window);
            model.mouseDown();
            return message == WM_XBUTTONDOWN;
        case WM_MOUSEMOVE:
            model.mouseMove({toTwips(GET_X_LPARAM(lParam)), toTwips(GET_Y_LPARAM(lParam))});
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
        case WM_XBUTTONUP:
            model.mouseUp();
            return message == WM_XBUTTONUP;
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
        case WM_XBUTTONDBLCLK:
            return message == WM_XBUTTONDBLCLK;
        case WM_GETDLGCODE: {
            // Enter and Space are ours; Tab and the rest stay with the window's navigation.
            const auto* pending = reinterpret_cast<const MSG*>(lParam);
            const bool ours = pending && (pending->message == WM_KEYDOWN || pending->message == WM_SYSKEYDOWN) &&
                              isClickKey(pending->wParam);
            return ours ? DLGC_WANTMESSAGE : 0;
        }
        case WM_KEYDOWN:
            // Every key-down counts, the repetitions of a held key included.
            model.keyDown(static_cast<int>(wParam));
            return 0;
        case WM_SYSKEYDOWN:
            // Enter and Space with Alt held arrive here; they click like any other shift
            // state. Other keys keep their system meaning (Alt+F4, menus).
            if (!isClickKey(wParam)) break;
            model.keyDown(static_cast<int>(wParam));
            return 0;
        case WM_SYSCHAR:
            // The character of Alt+Enter or Alt+Space: spent on the click, it must not
            // open the window's system menu.
            if (wParam == L'\r' || wParam == L' ') return 0;
            break;
        case WM_CAPTURECHANGED:
            // Another window took the pointer while the button was held: the press ends
            // without a click.
            if (!releasingCapture && reinterpret_cast<HWND>(lParam) != window) model.pointerLost();
            return 0;
        case WM_SETFOCUS:
            model.gotFocus();
            return 0;
        case WM_KILLFOCUS:
            model.lostFocus();
            return 0;
        case WM_GETOBJECT:
            if (!asksForClient(lParam)) break;
            return answerGetObject(window, wParam, accessibleParts());
        case kDefaultActionMessage:
            model.mouseDown();
            model.mouseUp();
            return 0;
        case WM_GETFONT:
            // The caption's font, owned by the button's font object.
            return reinterpret_cast<LRESULT>(fontHandle(model.font()));
        case WM_GETTEXTLENGTH:
            // The caption is the button's text for screen readers and automation.
            return static_cast<LRESULT>(model.caption().size());
        case WM_GETTEXT: {
            const std::u16string& caption = model.caption();
            const size_t room = static_cast<size_t>(wParam);
            if (room == 0 || lParam == 0) return 0;
            const size_t count = std::min(caption.size(), room - 1);
            auto* out = reinterpret_cast<wchar_t*>(lParam);
            std::copy_n(caption.begin(), count, out);
            out[count] = L'\0';
            return static_cast<LRESULT>(count);
        }
        default:
            break;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static bool isClickKey(WPARAM key) { return key == VK_RETURN || key == VK_SPACE; }

    // A push button named by its caption; its default action clicks it, later, from
    // the message loop, with the waits of a mouse click.
    AccessibleParts accessibleParts() {
        AccessibleParts parts;
        const std::weak_ptr<State> weak = weak_from_this();
        const HWND self = window;
        parts.role = ROLE_SYSTEM_PUSHBUTTON;
        parts.name = [weak] {
            const auto state = weak.lock();
            return state ? state->model.caption() : std::u16string();
        };
        parts.state = [weak, self](long standard) {
            const auto state = weak.lock();
            long bits = (standard & ~(STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_FOCUSED |
                                      STATE_SYSTEM_PRESSED)) |
                        STATE_SYSTEM_FOCUSABLE;
            if (!IsWindowVisible(self)) bits |= STATE_SYSTEM_INVISIBLE;
            if (GetFocus() == self) bits |= STATE_SYSTEM_FOCUSED;
            if (!state || !state->model.enabled()) bits |= STATE_SYSTEM_UNAVAILABLE;
            if (state && state->model.pressed()) bits |= STATE_SYSTEM_PRESSED;
            return bits;
        };
        parts.defaultAction = kDefaultAction;
        parts.doDefaultAction = [weak, self] {
            const auto state = weak.lock();
            if (!state || !state->window || !state->model.enabled() || !IsWindowVisible(self)) return false;
            return PostMessageW(self, kDefaultActionMessage, 0, 0) != FALSE;
        };
        return parts;
    }

    HWND window = nullptr;
    bool releasingCapture = false;  // our own release, not a capture lost
    CommandButton model;
    std::function<void()> clickHandler;
};

namespace {

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    using State = CommandButtonWindow::State;
    if (message == WM_NCCREATE) {
        auto* state = static_cast<State*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        state->window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    }
    auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!state) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        state->window = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    // The owner may drop the button inside its click handler; the state lives until
    // this message is handled.
    const std::shared_ptr<State> keep = state->shared_from_this();
    try {
        return state->handle(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the platform's message dispatch: a failure of the
        // layout or of the owner's click handler ends here, shown like the plug-in's
        // other failures.
        scandrel::win32::showFailure(window);
        return 0;
    }
}

}  // namespace

std::unique_ptr<CommandButtonWindow> CommandButtonWindow::create(HWND parent, int id, const RECT& bounds,
                                                                 const PropertyBag& stored) {
    registerClass();
    auto state = std::make_shared<State>();
    const HWND window = CreateWindowExW(0, kCommandButtonClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS,
                                        bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                                        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ownModule(),
                                        state.get());
    if (!window) throw Error(static_cast<int32_t>(GetLastError()), u"Não foi possível criar o botão");
    std::unique_ptr<CommandButtonWindow> button(new CommandButtonWindow(state));
    state->model.load(stored);
    state->sized();
    return button;
}

CommandButtonWindow::CommandButtonWindow(std::shared_ptr<State> state) : state_(std::move(state)) {}

CommandButtonWindow::~CommandButtonWindow() {
    if (state_->window) DestroyWindow(state_->window);
}

HWND CommandButtonWindow::hwnd() const { return state_->window; }

void CommandButtonWindow::onClick(std::function<void()> handler) { state_->clickHandler = std::move(handler); }

std::u16string CommandButtonWindow::caption() const { return state_->model.caption(); }
void CommandButtonWindow::setCaption(std::u16string caption) { state_->model.setCaption(std::move(caption)); }
bool CommandButtonWindow::enabled() const { return state_->model.enabled(); }
void CommandButtonWindow::setEnabled(bool enabled) { state_->model.setEnabled(enabled); }

namespace {

ComPtr<IPictureDisp> oleOf(const std::optional<Picture>& picture) {
    return picture ? olePictureOf(*picture) : nullptr;
}

std::optional<Picture> referenceTo(IPictureDisp* picture) {
    if (!picture) return std::nullopt;
    return pictureOf(picture);
}

}  // namespace

ComPtr<IPictureDisp> CommandButtonWindow::iconNormal() const { return oleOf(state_->model.iconNormal()); }
void CommandButtonWindow::setIconNormal(IPictureDisp* picture) { state_->model.setIconNormal(referenceTo(picture)); }
ComPtr<IPictureDisp> CommandButtonWindow::iconDown() const { return oleOf(state_->model.iconDown()); }
void CommandButtonWindow::setIconDown(IPictureDisp* picture) { state_->model.setIconDown(referenceTo(picture)); }
ComPtr<IFontDisp> CommandButtonWindow::font() const { return oleFontOf(state_->model.font()); }

void CommandButtonWindow::setFont(IFontDisp* font) {
    if (!font) throw Error(91, u"Variável de objeto não definida");
    state_->model.setFont(fontOf(font));
}

bool CommandButtonWindow::pressed() const { return state_->model.pressed(); }

void CommandButtonWindow::save(PropertyBag& stored) const { state_->model.save(stored); }

}  // namespace scandrel::controls::win32
