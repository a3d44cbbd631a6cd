#pragma once
// A memo or text value that is not rich text, as the rich-edit control inserts
// plain text: line ends of every kind become the control's paragraph mark. A pure
// function, for any thread.
#include <string>
#include <string_view>

#include "search/rtf/rtf_to_text.h"

namespace scandrel::search {

// What ends a paragraph in the control's text, as in a rich-text document's.
using rtf::kParagraphMark;

// Appends `value` to `out`: the value ends at the first NUL, every CR LF, lone CR
// and lone LF becomes one paragraph mark (CR LF), and CR CR LF (a soft line break)
// becomes a space.
void appendPlainValue(std::u16string_view value, std::u16string& out);

}  // namespace scandrel::search
