#include "search/win32/search_window.h"

#include <commctrl.h>
#include <richedit.h>
#include <uxtheme.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "controls/cxCommand/win32/accessible_object.h"
#include "controls/cxCommand/win32/command_button_window.h"
#include "controls/cxCommand/win32/module_use.h"
#include "controls/cxCommand/win32/screen_dpi.h"
#include "search/plain_text_buffer.h"
#include "search/search_controller.h"
#include "search/win32/form_background.h"
#include "search/win32/handles.h"
#include "search/win32/loaded_windows.h"
#include "search/win32/message_box.h"
#include "search/win32/result_tips.h"
#include "search/win32/rich_edit_stream.h"
#include "search/win32/search_window_ids.h"
#include "search/win32/system_library.h"
#include "search/win32/win32_search_view.h"
#include "search/window_layout.h"
#include "text/error.h"
#include "text/utf.h"

namespace scandrel::search::win32 {
namespace {

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE;
// Keep size and position, don't activate, show.
constexpr UINT kTopmostFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW;

// Search windows in existence or still running a search after they were closed;
// the library stays loaded while there is one (everything on the UI thread).
int windowsAlive = 0;

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

class Form1 final : public SearchWindow, public std::enable_shared_from_this<Form1> {
public:
    Form1(HINSTANCE module, PatientOpener opener) : module_(module), opener_(std::move(opener)) {}
    ~Form1() override {
        if (hwnd_) DestroyWindow(hwnd_);
    }

    void setDbName(const std::u16string& path) override {
        dbName_ = path;
        if (controller_) controller_->setDbName(path);
    }
    std::u16string dbName() const override { return dbName_; }

    void show() override {
        if (!hwnd_) load();
        ShowWindow(hwnd_, SW_SHOW);
        UpdateWindow(hwnd_);
    }

    void moveTo(int32_t left, int32_t top) override {
        if (!hwnd_) return;
        SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    bool loaded() const override { return hwnd_ != nullptr; }
    HWND handle() const override { return hwnd_; }

    static LRESULT CALLBACK formProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK searchBoxProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK resultListProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK labelProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK progressBarProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

private:
    // Keeps the window's object, and the library, alive while a search of it runs,
    // even when the window is closed and forgotten meanwhile.
    class RunScope {
    public:
        explicit RunScope(Form1& form)
            : form_(form.shared_from_this()), view_(form.view_), controller_(form.controller_) {
            ++form_->runs_;
            form_->count();
        }
        ~RunScope() {
            if (form_->hwnd_) view_->flush();  // the run's last progress and status
            --form_->runs_;
            form_->count();
        }
        RunScope(const RunScope&) = delete;
        RunScope& operator=(const RunScope&) = delete;
        SearchController& controller() const { return *controller_; }

    private:
        std::shared_ptr<Form1> form_;
        std::shared_ptr<Win32SearchView> view_;
        std::shared_ptr<SearchController> controller_;
    };

    void load();
    void createControls();
    HWND createChild(DWORD exStyle, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                     const layout::TwipRect& rect, int id, HFONT font);
    std::unique_ptr<controls::win32::CommandButtonWindow> createButton(const char16_t* caption,
                                                                       const layout::TwipRect& rect, int id);
    void findClicked();
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void onActivate(bool active);
    void onCommand(int id, int code);
    void onPaint();
    void moveFocus(bool backward);
    std::vector<HWND> accessibleChildren() const;
    void openSelectedPatient();
    // Where the words of result row `row` were found, one line per word.
    std::u16string rowTip(int row) const;
    void count();
    std::shared_ptr<Form1> detach();

    int px(double twips) const { return twipsToPixels(twips, dpi_); }

    HINSTANCE module_;
    PatientOpener opener_;
    std::u16string dbName_;
    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    SearchControls controls_;
    HWND lastFocus_ = nullptr;
    HWND label1_ = nullptr;
    FontHandle verdana_;
    FontHandle listFont_;
    std::unique_ptr<controls::win32::CommandButtonWindow> cxCancel_;
    std::unique_ptr<controls::win32::CommandButtonWindow> cxFind_;
    std::unique_ptr<SystemLibrary> richEdit_;
    std::unique_ptr<FormBackground> background_;
    std::unique_ptr<ResultTips> tips_;
    PlainTextBuffer buffer_;
    std::shared_ptr<Win32SearchView> view_;
    std::shared_ptr<SearchController> controller_;
    std::shared_ptr<Form1> self_;  // set while the window exists
    int runs_ = 0;
    bool counted_ = false;
};

void registerFormClass(HINSTANCE module) {
    WNDCLASSEXW windowClass{};
    if (GetClassInfoExW(module, kSearchWindowClass, &windowClass)) return;
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = Form1::formProc;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kSearchWindowClass;
    if (!RegisterClassExW(&windowClass)) {
        throw Error(static_cast<int32_t>(GetLastError()), u"Não foi possível criar a janela de pesquisa.");
    }
}

void Form1::load() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    registerFormClass(module_);
    dpi_ = controls::win32::screenDpi();

    // The client area where the design puts it; the frame around it.
    RECT frame{px(layout::kClientArea.left), px(layout::kClientArea.top),
               px(layout::kClientArea.left + layout::kClientArea.width),
               px(layout::kClientArea.top + layout::kClientArea.height)};
    AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
    const HWND window =
        CreateWindowExW(kFormExStyle, kSearchWindowClass, kSearchWindowCaption, kFormStyle, frame.left, frame.top,
                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, module_, this);
    if (!window) {
        throw Error(static_cast<int32_t>(GetLastError()), u"Não foi possível criar a janela de pesquisa.");
    }
    self_ = shared_from_this();
    count();
    addLoadedWindow(hwnd_);
    try {
        background_ = std::make_unique<FormBackground>(module_);
        createControls();
    } catch (...) {
        DestroyWindow(window);
        throw;
    }
    // Loading: an empty result list and the bar at 0.
    SendMessageW(controls_.lstResults, LB_RESETCONTENT, 0, 0);
    SendMessageW(controls_.progressBar, PBM_SETPOS, 0, 0);
}

HWND Form1::createChild(DWORD exStyle, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                        const layout::TwipRect& rect, int id, HFONT font) {
    const HWND child = CreateWindowExW(exStyle, windowClass, text, WS_CHILD | style, px(rect.left), px(rect.top),
                                       px(rect.width), px(rect.height), hwnd_,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module_, nullptr);
    if (!child) throw Error(static_cast<int32_t>(GetLastError()), u"Não foi possível criar a janela de pesquisa.");
    if (font) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

HFONT makeFont(const wchar_t* face, int32_t hundredthsOfPoint, int dpi) {
    return CreateFontW(-layout::fontPixels(hundredthsOfPoint, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face);
}

// A button as the window stores it: its caption and font, besides its extent
// (2566 x 450 hundredths of a millimetre); everything else keeps its default.
std::unique_ptr<controls::win32::CommandButtonWindow> Form1::createButton(const char16_t* caption,
                                                                         const layout::TwipRect& rect, int id) {
    controls::PropertyBag stored;
    stored.write(u"caption", std::u16string(caption));
    stored.write(u"font", controls::StoredFont{u"Arial", 90000, 400, 0});
    stored.write(u"_extentx", 2566);
    stored.write(u"_extenty", 450);
    const RECT bounds{px(rect.left), px(rect.top), px(rect.left + rect.width), px(rect.top + rect.height)};
    return controls::win32::CommandButtonWindow::create(hwnd_, id, bounds, stored);
}

void Form1::createControls() {
    verdana_ = FontHandle(makeFont(L"Verdana", layout::kVerdanaSize, dpi_));
    listFont_ = FontHandle(makeFont(L"MS Sans Serif", layout::kListFontSize, dpi_));
    richEdit_ = std::make_unique<SystemLibrary>(L"riched20.dll");

    // Created in the window's stored order: each lies below the ones before it,
    // so the cancel button covers the find button.
    const HWND rtfTest = createChild(0, L"RichEdit20W", L"", ES_MULTILINE, layout::kRtfTest, kRtfTest, nullptr);
    streamInRichText(rtfTest, layout::kRtfTestDocument);
    controls_.form = hwnd_;
    cxCancel_ = createButton(layout::kCancelCaption, layout::kCxCancel, kCxCancel);
    ShowWindow(cxCancel_->hwnd(), SW_HIDE);
    cxFind_ = createButton(layout::kFindCaption, layout::kCxFind, kCxFind);
    controls_.cxCancel = cxCancel_->hwnd();
    controls_.cxFind = cxFind_->hwnd();
    controls_.enableFind = [button = cxFind_.get()](bool enabled) { button->setEnabled(enabled); };
    cxFind_->onClick([this] { findClicked(); });
    cxCancel_->onClick([this] {
        if (controller_) controller_->cxCancel_Click();
    });
    controls_.txtSearch = createChild(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                                      layout::kTxtSearch, kTxtSearch, verdana_.get());
    controls_.progressBar =
        createChild(0, PROGRESS_CLASSW, L"", WS_VISIBLE, layout::kProgressBar1, kProgressBar1, nullptr);
    SendMessageW(controls_.progressBar, PBM_SETRANGE32, 0, 100);
    // The classic bar of blocks, as the common controls draw it without visual
    // styles (a styled bar costs milliseconds a step under Wine).
    SetWindowTheme(controls_.progressBar, L"", L"");
    controls_.lstResults = createChild(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                       WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                                       layout::kLstResults, kLstResults, listFont_.get());
    label1_ = createChild(0, L"STATIC", wide(layout::kLabel1Text), WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                          layout::kLabel1, kLabel1, verdana_.get());
    controls_.lblResults = createChild(0, L"STATIC", L"", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, layout::kLblResults,
                                       kLblResults, verdana_.get());

    const auto ref = reinterpret_cast<DWORD_PTR>(this);
    SetWindowSubclass(controls_.txtSearch, searchBoxProc, 1, ref);
    SetWindowSubclass(controls_.lstResults, resultListProc, 1, ref);
    SetWindowSubclass(label1_, labelProc, 1, ref);
    SetWindowSubclass(controls_.lblResults, labelProc, 1, ref);
    SetWindowSubclass(controls_.progressBar, progressBarProc, 1, ref);

    view_ = std::make_shared<Win32SearchView>(controls_, [this] {
        if (controller_) controller_->cxCancel_Click();
    });
    controller_ = std::make_shared<SearchController>(*view_, buffer_);
    controller_->setDbName(dbName_);
    controller_->setExplainMatches(true);
    tips_ = std::make_unique<ResultTips>(module_, controls_.lstResults, [this](int row) { return rowTip(row); });
}

std::u16string Form1::rowTip(int row) const {
    return controller_ ? joinLines(controller_->reasonsAt(row)) : std::u16string();
}

void Form1::findClicked() {
    const RunScope run(*this);
    run.controller().cxFind_Click();
}

void Form1::count() {
    const bool alive = hwnd_ != nullptr || runs_ > 0;
    if (alive != counted_) {
        windowsAlive += alive ? 1 : -1;
        counted_ = alive;
        // The class goes with the last window, so that the library can be unloaded
        // and loaded again.
        if (windowsAlive == 0) UnregisterClassW(kSearchWindowClass, module_);
    }
}

std::shared_ptr<Form1> Form1::detach() {
    removeLoadedWindow(hwnd_);
    hwnd_ = nullptr;
    controls_ = SearchControls{};
    tips_.reset();
    lastFocus_ = nullptr;
    count();
    return std::move(self_);
}

LRESULT CALLBACK Form1::formProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->hwnd_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        const std::shared_ptr<Form1> last = form->detach();  // may be the last reference
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return form->onMessage(message, wParam, lParam);
}

LRESULT Form1::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ACTIVATE:
            onActivate(LOWORD(wParam) != WA_INACTIVE);
            return 0;
        case WM_COMMAND:
            onCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_ERASEBKGND:
            if (!background_) break;
            background_->paint(reinterpret_cast<HDC>(wParam), POINT{0, 0});
            return 1;
        case WM_PAINT:
            onPaint();
            return 0;
        case WM_GETOBJECT: {
            if (!controls::win32::asksForClient(lParam)) break;
            controls::win32::AccessibleParts parts;
            const std::weak_ptr<const Form1> weak = weak_from_this();
            parts.children = [weak] {
                const auto form = weak.lock();
                return form ? form->accessibleChildren() : std::vector<HWND>{};
            };
            return controls::win32::answerGetObject(hwnd_, wParam, std::move(parts));
        }
        case WM_CLOSE:
            // The close is never refused.
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            // Destroyed by any route (closed, destroyed by its owner or the host, the
            // session ending): a running search stops at its next check.
            if (controller_) controller_->requestClose();
            break;
        case WM_QUERYENDSESSION:
            // The session may end: the search stops; the end is never refused.
            if (controller_) controller_->cxCancel_Click();
            return TRUE;
        case WM_ENDSESSION:
            if (wParam) DestroyWindow(hwnd_);
            return 0;
        default:
            if (message == kMoveFocusMessage) {
                moveFocus(wParam != 0);
                return 0;
            }
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void Form1::onActivate(bool active) {
    if (!active) {
        const HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
        return;
    }
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, kTopmostFlags);
    const HWND target = lastFocus_ && IsWindowVisible(lastFocus_) ? lastFocus_ : controls_.txtSearch;
    SetFocus(target);
}

void Form1::onCommand(int id, int code) {
    if (id == kLstResults && code == LBN_DBLCLK) {
        openSelectedPatient();
    }
}

void Form1::onPaint() {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(hwnd_, &paint);
    // Line1: one pixel in the window-text colour, both ends drawn.
    const int y = px(layout::kLine1Y);
    RECT line{px(layout::kLine1Left), y, px(layout::kLine1Right) + 1, y + 1};
    FillRect(dc, &line, GetSysColorBrush(COLOR_WINDOWTEXT));
    EndPaint(hwnd_, &paint);
}

// Tab order: the search box, the result list, the find button, the cancel button;
// the labels, the bar and hidden elements never take the focus. The buttons take
// it even while disabled (they are never disabled windows).
void Form1::moveFocus(bool backward) {
    const std::array<HWND, 4> order{controls_.txtSearch, controls_.lstResults, controls_.cxFind, controls_.cxCancel};
    const HWND focus = GetFocus();
    size_t at = order.size() - 1;
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == focus) at = i;
    }
    if (backward && focus != order[at]) at = 0;
    for (size_t step = 1; step <= order.size(); ++step) {
        const size_t i = backward ? (at + order.size() - step % order.size()) % order.size() : (at + step) % order.size();
        const HWND candidate = order[i];
        if (IsWindowVisible(candidate) && IsWindowEnabled(candidate)) {
            SetFocus(candidate);
            return;
        }
    }
}

// What an assistive tool finds in the window: the elements the user can see, in tab
// order, each as its own accessible object (the platform's window objects between
// them would answer nothing useful under every platform we run on).
std::vector<HWND> Form1::accessibleChildren() const {
    std::vector<HWND> children;
    for (const HWND element : {controls_.txtSearch, controls_.lblResults, controls_.lstResults,
                               controls_.progressBar, controls_.cxFind, controls_.cxCancel, label1_}) {
        if (element && IsWindowVisible(element)) children.push_back(element);
    }
    return children;
}

void Form1::openSelectedPatient() {
    if (!controller_) return;
    const auto row = static_cast<int>(SendMessageW(controls_.lstResults, LB_GETCURSEL, 0, 0));
    const std::optional<int32_t> counter = controller_->patientAt(row);
    if (!counter || !opener_) return;
    // The host may run a modal form, close this window and free unused libraries
    // before the call returns here.
    const std::shared_ptr<Form1> keep = shared_from_this();
    const controls::win32::ModuleInUse inUse;
    try {
        opener_(*counter);
    } catch (const Error& e) {
        showMessageBox(fromUtf8(std::to_string(e.number())) + u" " + e.description(), kMessageOk);
    }
}

LRESULT CALLBACK Form1::searchBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR ref) {
    if (message == WM_CHAR && (wParam == 13 || wParam == 27)) {
        auto* form = reinterpret_cast<Form1*>(ref);
        {
            const RunScope run(*form);
            run.controller().onSearchBoxKey(static_cast<char16_t>(wParam));
        }
        // The key still reaches the box, if the box is still there.
        if (!IsWindow(box)) return 0;
    } else if (message == WM_GETOBJECT && controls::win32::asksForClient(lParam)) {
        // Named by the label above it, as screen readers name a box by its label.
        controls::win32::AccessibleParts parts;
        const HWND label = reinterpret_cast<Form1*>(ref)->label1_;
        parts.name = [label] { return controls::win32::windowText(label); };
        return controls::win32::answerGetObject(box, wParam, std::move(parts));
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(box, searchBoxProc, 1);
    }
    return DefSubclassProc(box, message, wParam, lParam);
}

LRESULT CALLBACK Form1::resultListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR ref) {
    auto* form = reinterpret_cast<Form1*>(ref);
    if (message == WM_CHAR) {
        form->openSelectedPatient();
        if (!IsWindow(list)) return 0;
    } else if (message == WM_NOTIFY && form->tips_ && form->tips_->onNotify(lParam)) {
        return 0;
    } else if (message == WM_GETOBJECT && controls::win32::asksForClient(lParam)) {
        // Named by the status line above it, which says what the list holds; each row
        // described by where its words were found, as its tooltip shows.
        controls::win32::AccessibleParts parts;
        const HWND label = form->controls_.lblResults;
        parts.name = [label] { return controls::win32::windowText(label); };
        const std::weak_ptr<const Form1> weak = form->weak_from_this();
        parts.childDescription = [weak](long child) {
            const auto alive = weak.lock();
            return alive ? alive->rowTip(static_cast<int>(child - 1)) : std::u16string();
        };
        return controls::win32::answerGetObject(list, wParam, std::move(parts));
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(list, resultListProc, 1);
        return DefSubclassProc(list, message, wParam, lParam);
    }
    if (form->tips_) form->tips_->beforeListMessage(message, wParam, lParam);
    const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
    if (form->tips_ && IsWindow(list)) form->tips_->afterListMessage(message);
    return result;
}

// Labels are transparent: each paints the window's background under itself, then
// its text, so a shorter text leaves no trace of a longer one.
LRESULT CALLBACK Form1::labelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR ref) {
    auto* form = reinterpret_cast<Form1*>(ref);
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            const HDC dc = BeginPaint(label, &paint);
            POINT origin{0, 0};
            MapWindowPoints(label, form->hwnd_, &origin, 1);
            form->background_->paint(dc, origin);
            RECT client;
            GetClientRect(label, &client);
            const int length = GetWindowTextLengthW(label);
            std::wstring text(static_cast<size_t>(length) + 1, L'\0');
            const int copied = GetWindowTextW(label, text.data(), length + 1);
            const auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
            const HGDIOBJ previous = SelectObject(dc, font);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            DrawTextW(dc, text.c_str(), copied, &client, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
            SelectObject(dc, previous);
            EndPaint(label, &paint);
            return 0;
        }
        case WM_SETTEXT: {
            const LRESULT result = DefSubclassProc(label, message, wParam, lParam);
            InvalidateRect(label, nullptr, FALSE);
            // A label's text is its name: screen readers read the status line anew.
            NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, label, OBJID_CLIENT, CHILDID_SELF);
            return result;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(label, labelProc, 1);
            break;
        default:
            break;
    }
    return DefSubclassProc(label, message, wParam, lParam);
}

// The bar tells assistive tools how far the search has got, as a percentage.
LRESULT CALLBACK Form1::progressBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_GETOBJECT && controls::win32::asksForClient(lParam)) {
        controls::win32::AccessibleParts parts;
        parts.role = ROLE_SYSTEM_PROGRESSBAR;
        parts.value = [bar] {
            const auto percent = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
            return fromUtf8(std::to_string(percent)) + u"%";
        };
        return controls::win32::answerGetObject(bar, wParam, std::move(parts));
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(bar, progressBarProc, 1);
    return DefSubclassProc(bar, message, wParam, lParam);
}

}  // namespace

std::shared_ptr<SearchWindow> SearchWindow::create(HINSTANCE module, PatientOpener opener) {
    return std::make_shared<Form1>(module, std::move(opener));
}

int loadedWindowCount() { return windowsAlive; }

}  // namespace scandrel::search::win32
