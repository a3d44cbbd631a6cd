#include "search/win32/search_window.h"

#include <commctrl.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "search/focus_order.h"
#include "search/plain_text_buffer.h"
#include "search/search_controller.h"
#include "search/win32/form_background.h"
#include "search/win32/form_children.h"
#include "search/win32/loaded_windows.h"
#include "search/win32/message_box.h"
#include "search/win32/result_tips.h"
#include "search/win32/search_accessibility.h"
#include "search/win32/search_window_ids.h"
#include "search/win32/transparent_label.h"
#include "search/win32/win32_search_view.h"
#include "search/win32/window_count.h"
#include "search/window_layout.h"
#include "text/error.h"
#include "win32/accessible_object.h"
#include "win32/error_text.h"
#include "win32/message_box.h"
#include "win32/module_use.h"
#include "win32/screen_dpi.h"
#include "win32/subclass.h"

namespace scandrel::search::win32 {
namespace {

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE;
// Keep size and position, don't activate, show.
constexpr UINT kTopmostFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW;

class Form1 final : public SearchWindow, public std::enable_shared_from_this<Form1> {
public:
    Form1(HINSTANCE module, PatientOpener opener) : module_(module), opener_(std::move(opener)), count_(module) {}
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
    void subclassControls();
    void findClicked();
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT searchBoxMessage(HWND box, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT resultListMessage(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
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
    FormChildren children_;
    HWND lastFocus_ = nullptr;
    std::unique_ptr<FormBackground> background_;
    std::unique_ptr<ResultTips> tips_;
    PlainTextBuffer buffer_;
    std::shared_ptr<Win32SearchView> view_;
    std::shared_ptr<SearchController> controller_;
    std::shared_ptr<Form1> self_;  // set while the window exists
    int runs_ = 0;
    WindowCount count_;
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
    dpi_ = scandrel::win32::screenDpi();

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
    SendMessageW(children_.controls.lstResults, LB_RESETCONTENT, 0, 0);
    SendMessageW(children_.controls.progressBar, PBM_SETPOS, 0, 0);
}

void Form1::createControls() {
    createChildren(hwnd_, module_, dpi_, children_);
    children_.cxFind->onClick([this] { findClicked(); });
    children_.cxCancel->onClick([this] {
        if (controller_) controller_->cxCancel_Click();
    });
    subclassControls();

    view_ = std::make_shared<Win32SearchView>(children_.controls, [this] {
        if (controller_) controller_->cxCancel_Click();
    });
    controller_ = std::make_shared<SearchController>(*view_, buffer_);
    controller_->setDbName(dbName_);
    controller_->setExplainMatches(true);
    controller_->setPatientsAhead(kWindowPatientsAhead);
    tips_ = std::make_unique<ResultTips>(module_, children_.controls.lstResults, [this](int row) { return rowTip(row); });
}

std::u16string Form1::rowTip(int row) const {
    return controller_ ? joinLines(controller_->reasonsAt(row)) : std::u16string();
}

void Form1::findClicked() {
    const RunScope run(*this);
    run.controller().cxFind_Click();
}

void Form1::count() { count_.update(hwnd_ != nullptr || runs_ > 0); }

std::shared_ptr<Form1> Form1::detach() {
    removeLoadedWindow(hwnd_);
    hwnd_ = nullptr;
    children_.controls = SearchControls{};
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
    try {
        return form->onMessage(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the platform's message dispatch.
        scandrel::win32::showFailure(window);
        return 0;
    }
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
            if (!scandrel::win32::asksForClient(lParam)) break;
            scandrel::win32::AccessibleParts parts;
            const std::weak_ptr<const Form1> weak = weak_from_this();
            parts.children = [weak] {
                const auto form = weak.lock();
                return form ? form->accessibleChildren() : std::vector<HWND>{};
            };
            return scandrel::win32::answerGetObject(hwnd_, wParam, std::move(parts));
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
    const HWND target = lastFocus_ && IsWindowVisible(lastFocus_) ? lastFocus_ : children_.controls.txtSearch;
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
    const std::array<HWND, 4> order{children_.controls.txtSearch, children_.controls.lstResults, children_.controls.cxFind, children_.controls.cxCancel};
    const HWND focus = GetFocus();
    std::array<TabStop, 4> stops;
    for (size_t i = 0; i < order.size(); ++i) {
        stops[i] = {order[i] == focus, IsWindowVisible(order[i]) && IsWindowEnabled(order[i])};
    }
    if (const std::optional<size_t> next = nextTabStop(stops, backward)) SetFocus(order[*next]);
}

// What an assistive tool finds in the window: the elements the user can see, in tab
// order, each as its own accessible object (the platform's window objects between
// them would answer nothing useful under every platform we run on).
std::vector<HWND> Form1::accessibleChildren() const {
    return visibleElements({children_.controls.txtSearch, children_.controls.lblResults, children_.controls.lstResults, children_.controls.progressBar,
                            children_.controls.cxFind, children_.controls.cxCancel, children_.label1});
}

void Form1::openSelectedPatient() {
    if (!controller_) return;
    const auto row = static_cast<int>(SendMessageW(children_.controls.lstResults, LB_GETCURSEL, 0, 0));
    const std::optional<int32_t> counter = controller_->patientAt(row);
    if (!counter || !opener_) return;
    // The host may run a modal form, close this window and free unused libraries
    // before the call returns here.
    const std::shared_ptr<Form1> keep = shared_from_this();
    const scandrel::win32::ModuleInUse inUse;
    try {
        opener_(*counter);
    } catch (const Error& e) {
        showMessageBox(scandrel::win32::errorText(e), kMessageOk);
    }
}

// The controls of other classes, with what the window adds to them.
void Form1::subclassControls() {
    using scandrel::win32::subclassWindow;
    subclassWindow(children_.controls.txtSearch, [this](HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
        return searchBoxMessage(box, message, wParam, lParam);
    });
    subclassWindow(children_.controls.lstResults, [this](HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
        return resultListMessage(list, message, wParam, lParam);
    });
    makeTransparentLabel(children_.label1, hwnd_, *background_);
    makeTransparentLabel(children_.controls.lblResults, hwnd_, *background_);
    subclassWindow(children_.controls.progressBar, [](HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_GETOBJECT && scandrel::win32::asksForClient(lParam)) {
            return scandrel::win32::answerGetObject(bar, wParam, progressBarParts(bar));
        }
        return scandrel::win32::passOn(bar, message, wParam, lParam);
    });
}

LRESULT Form1::searchBoxMessage(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR && (wParam == 13 || wParam == 27)) {
        {
            const RunScope run(*this);
            run.controller().onSearchBoxKey(static_cast<char16_t>(wParam));
        }
        // The key still reaches the box, if the box is still there.
        if (!IsWindow(box)) return 0;
    } else if (message == WM_GETOBJECT && scandrel::win32::asksForClient(lParam)) {
        // Named by the label above it, as screen readers name a box by its label.
        return scandrel::win32::answerGetObject(box, wParam, namedBy(children_.label1));
    }
    return scandrel::win32::passOn(box, message, wParam, lParam);
}

LRESULT Form1::resultListMessage(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR) {
        openSelectedPatient();
        if (!IsWindow(list)) return 0;
    } else if (message == WM_NOTIFY && tips_ && tips_->onNotify(lParam)) {
        return 0;
    } else if (message == WM_GETOBJECT && scandrel::win32::asksForClient(lParam)) {
        // Named by the status line above it, which says what the list holds; each row
        // described by where its words were found, as its tooltip shows.
        const std::weak_ptr<const Form1> weak = weak_from_this();
        return scandrel::win32::answerGetObject(list, wParam, resultListParts(children_.controls.lblResults, [weak](int row) {
            const auto alive = weak.lock();
            return alive ? alive->rowTip(row) : std::u16string();
        }));
    }
    if (tips_) tips_->beforeListMessage(message, wParam, lParam);
    const LRESULT result = scandrel::win32::passOn(list, message, wParam, lParam);
    if (tips_ && IsWindow(list)) tips_->afterListMessage(message);
    return result;
}

}  // namespace

std::shared_ptr<SearchWindow> SearchWindow::create(HINSTANCE module, PatientOpener opener) {
    return std::make_shared<Form1>(module, std::move(opener));
}

}  // namespace scandrel::search::win32
