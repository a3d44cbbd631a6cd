// The status line as the progress display writes it: the count and the time left
// reach the control together, even when the thread is held up between the bar and
// the line.
#include <windows.h>
#include <commctrl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/view_progress.h"
#include "search/win32/win32_search_view.h"
#include "text/progress.h"

namespace scandrel::search::win32 {
namespace {

using ::testing::Each;
using ::testing::EndsWith;
using ::testing::Not;
using ::testing::IsEmpty;

// Every text the label is given.
LRESULT CALLBACK recordText(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
    if (message == WM_SETTEXT && lParam) {
        reinterpret_cast<std::vector<std::wstring>*>(ref)->emplace_back(reinterpret_cast<const wchar_t*>(lParam));
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// The bar, after which the thread is taken away for longer than the line's interval.
class PreemptedBar final : public text::ProgressBar {
public:
    explicit PreemptedBar(SearchView& view) : bar_(view) {}
    void setValue(double percent) override {
        bar_.setValue(percent);
        Sleep(60);
    }

private:
    ViewProgressBar bar_;
};

TEST(StatusLine, TheCountAndTheTimeLeftAppearTogether) {
    const HWND form = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    SearchControls controls;
    controls.form = form;
    controls.lblResults = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 200, 20, form, nullptr, nullptr, nullptr);
    controls.progressBar =
        CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 40, 200, 20, form, nullptr, nullptr, nullptr);
    std::vector<std::wstring> shown;
    SetWindowSubclass(controls.lblResults, recordText, 1, reinterpret_cast<DWORD_PTR>(&shown));

    Win32SearchView view(controls, {});
    PreemptedBar bar(view);
    ViewStatusLabel label(view);
    const float start = 1000.0f;
    for (int32_t current = 100; current <= 300; current += 100) {
        text::ShowProgress(1000, current, start, bar, label, [&] { return start + static_cast<float>(current) / 5.0f; });
        view.doEvents();
    }
    view.flush();

    EXPECT_THAT(shown, Not(IsEmpty()));
    EXPECT_THAT(shown, Each(EndsWith(L"restantes.")));
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), L"Pesquisando... (300/1000, 30%). 2 minuto(s) restantes.");
    RemoveWindowSubclass(controls.lblResults, recordText, 1);
    DestroyWindow(form);
}

}  // namespace
}  // namespace scandrel::search::win32
