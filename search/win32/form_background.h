#pragma once
// The search window's background: the pale blue panel with its frame and title
// tab, drawn unscaled from the client area's top-left corner.
#include <windows.h>

#include <memory>

namespace scandrel::search::win32 {

class FormBackground {
public:
    // The picture is a resource of `module`; throws scandrel::Error when it is missing.
    explicit FormBackground(HINSTANCE module);
    ~FormBackground();
    FormBackground(const FormBackground&) = delete;
    FormBackground& operator=(const FormBackground&) = delete;

    // Paints the background into `dc`, whose (0, 0) lies at `origin` in the window's
    // client area (a label paints the part under itself this way).
    void paint(HDC dc, POINT origin) const;

private:
    struct Picture;
    std::unique_ptr<Picture> picture_;
};

}  // namespace scandrel::search::win32
