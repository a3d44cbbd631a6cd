#pragma once
// What the search run does to its window. The Win32 window, the command line and
// the tests each supply one.
#include <cstdint>
#include <string>

namespace scandrel::search {

// Message box styles, as the platform numbers them.
inline constexpr int32_t kMessageOk = 0;
inline constexpr int32_t kMessageCritical = 16;
inline constexpr int32_t kMessageExclamation = 48;

class SearchView {
public:
    virtual ~SearchView() = default;

    virtual void setFindEnabled(bool enabled) = 0;
    virtual void setCancelVisible(bool visible) = 0;

    virtual std::u16string searchText() const = 0;
    virtual void setSearchText(const std::u16string& text) = 0;
    virtual void setSearchLocked(bool locked) = 0;

    virtual void clearResults() = 0;
    virtual void appendResult(const std::u16string& row) = 0;

    virtual std::u16string status() const = 0;
    virtual void setStatus(const std::u16string& caption) = 0;

    virtual void setProgress(double percent) = 0;  // 0 to 100

    // An empty title means the program's own title, "Scandrel".
    virtual void showMessage(const std::u16string& text, int32_t style, const std::u16string& title) = 0;
    virtual void hide() = 0;

    // Lets pending user input and repainting run; the view may call back into the
    // controller from here (cancel, close, opening a listed patient, another window).
    virtual void doEvents() = 0;
};

}  // namespace scandrel::search
