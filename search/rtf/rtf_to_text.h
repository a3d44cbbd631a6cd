#pragma once
// Rich text (RTF) to plain text, as the rich-edit control shows a document:
// paragraph marks become CR LF, markup and hidden destinations (font and colour
// tables, document information, pictures, fields' instructions, ...) leave
// nothing behind. Any input is accepted: unbalanced braces, truncated escapes and
// nesting of any depth end or skip gracefully.
#include <string>
#include <string_view>

namespace scandrel::search::rtf {

// True when the value is a rich-text document: it starts with "{\rtf" (or the
// Unicode form "{\urtf"). Anything else is plain text to the control.
bool isRichText(std::u16string_view value);

// Appends the visible text of a rich-text document to `out`. Runs in time
// linear in the document and allocates only for `out`, and for groups nested or
// font tables longer than documents commonly have.
void appendRichText(std::u16string_view document, std::u16string& out);

// Appends a value that is not rich text, as the control inserts plain text: the
// value ends at the first NUL, every CR LF, lone CR and lone LF becomes one
// paragraph mark (CR LF), and CR CR LF (a soft line break) becomes a space.
void appendPlainValue(std::u16string_view value, std::u16string& out);

}  // namespace scandrel::search::rtf
