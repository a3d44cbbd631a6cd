#pragma once
// Rich text (RTF) to plain text, as the rich-edit control shows a document:
// paragraph marks become CR LF, markup and hidden destinations (font and colour
// tables, document information, pictures, fields' instructions, ...) leave
// nothing behind. Any input is accepted: unbalanced braces, truncated escapes and
// nesting of any depth end or skip gracefully.
//
// Bytes, written as \'hh or as the memo's own characters (each the byte it has in
// the Western code page, as the control reads the memo), are read in the code
// page of the font at hand, or of the document: single-byte pages, the
// double-byte pages 932, 936, 949 and 950, and UTF-8 (65001). A symbol font's
// bytes below 0x80 are the letters they are typed with, which a search can find;
// its bytes from 0x80 up are the private-use symbols U+F080-U+F0FF.
#include <string>
#include <string_view>

namespace scandrel::search::rtf {

// What ends a paragraph in a rich-text document's text, and in the control's.
inline constexpr std::u16string_view kParagraphMark = u"\r\n";

// True when the value is a rich-text document: it starts with "{\rtf" (or the
// Unicode form "{\urtf"). Anything else is plain text to the control.
bool isRichText(std::u16string_view value);

// Appends the visible text of a rich-text document to `out`. Runs in time
// linear in the document and allocates only for `out`, and for groups nested or
// font tables longer than documents commonly have.
void appendRichText(std::u16string_view document, std::u16string& out);

}  // namespace scandrel::search::rtf
