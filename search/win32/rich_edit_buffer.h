#pragma once
// The rich-text buffer over the platform's rich-edit control: a hidden window of
// the "RichEdit20W" class from riched20.dll. Rich text is streamed in at the end
// of the document; other values go in as plain text.
#include <memory>
#include <string>
#include <string_view>

#include "search/rich_text_buffer.h"

namespace scandrel::search::win32 {

class RichEditBuffer final : public RichTextBuffer {
public:
    // Throws std::runtime_error when the library or the window is not available.
    RichEditBuffer();
    ~RichEditBuffer() override;
    RichEditBuffer(const RichEditBuffer&) = delete;
    RichEditBuffer& operator=(const RichEditBuffer&) = delete;

    void clear() override;
    void append(std::u16string_view value) override;
    std::u16string plainText() const override;

private:
    struct Control;
    std::unique_ptr<Control> control_;
};

}  // namespace scandrel::search::win32
