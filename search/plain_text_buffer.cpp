#include "search/plain_text_buffer.h"

#include "search/plain_value.h"
#include "search/rtf/rtf_to_text.h"

namespace scandrel::search {

void PlainTextBuffer::append(std::u16string_view value) {
    if (rtf::isRichText(value)) {
        rtf::appendRichText(value, text_);
    } else {
        appendPlainValue(value, text_);
    }
}

}  // namespace scandrel::search
