#pragma once
// The buffer that turns the rich-text memos of a patient into plain text:
// emptied, appended to at the end (markup interpreted), read back as plain text.
// A buffer is used on one thread; a run that builds patient texts on a worker asks
// it for a buffer of its own for that thread.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace scandrel::search {

class RichTextBuffer {
public:
    virtual ~RichTextBuffer() = default;
    virtual void clear() = 0;
    // Inserts the value at the end as rich text; a value that is not rich text
    // goes in as plain text.
    virtual void append(std::u16string_view value) = 0;
    virtual std::u16string plainText() const = 0;
    // Appends the plain text to `out`; a buffer that holds its text as such does so
    // without the copy plainText makes.
    virtual void appendPlainText(std::u16string& out) const { out += plainText(); }
    // The length of the plain text, in UTF-16 code units.
    virtual size_t plainLength() const { return plainText().size(); }
    // A new, empty buffer converting as this one does, for another thread; none when
    // the conversion belongs to this thread (a window's control): patient texts are
    // then built on the thread that owns this buffer.
    virtual std::unique_ptr<RichTextBuffer> forAnotherThread() const { return nullptr; }
};

}  // namespace scandrel::search
