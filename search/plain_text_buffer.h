#pragma once
// The rich-text buffer without a rich-edit control: documents are converted by
// the reader in search/rtf and joined as the control joins them when each is
// inserted at the end (a document's own last paragraph mark stays; the control's
// final paragraph mark never shows).
#include <memory>
#include <string>
#include <string_view>

#include "search/rich_text_buffer.h"

namespace scandrel::search {

class PlainTextBuffer final : public RichTextBuffer {
public:
    void clear() override { text_.clear(); }
    void append(std::u16string_view value) override;
    std::u16string plainText() const override { return text_; }
    void appendPlainText(std::u16string& out) const override { out += text_; }
    size_t plainLength() const override { return text_.size(); }
    // The converter holds no window and no shared state: any thread may have one.
    std::unique_ptr<RichTextBuffer> forAnotherThread() const override { return std::make_unique<PlainTextBuffer>(); }

    // The text without a copy; valid until the next change.
    const std::u16string& text() const noexcept { return text_; }

private:
    std::u16string text_;  // kept between patients, so its capacity is reused
};

}  // namespace scandrel::search
