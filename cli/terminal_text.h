#pragma once
// Text from a database file made safe to show on a terminal: names and values are
// data, and a control character or an escape sequence in them must not reach the
// terminal, which would run it (move the cursor, rewrite the title, reorder the
// line with bidirectional overrides). For every command that prints what a file
// holds; any thread.
#include <string>
#include <string_view>

namespace scandrel::cli {

// UTF-8 `text` with every C0 control character, DEL, C1 control character and
// bidirectional embedding, override or isolate (U+202A to U+202E, U+2066 to
// U+2069) written as an escape a reader can see: "\x1B", "\u202E". With
// `keepLineBreaks`, tab, line feed and carriage return stay as they are (CSV rows
// and messages that span lines).
std::string terminalSafe(std::string_view text, bool keepLineBreaks = false);

}  // namespace scandrel::cli
