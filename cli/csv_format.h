#pragma once
// Field formatting for `scandrel export`: CSV after RFC 4180, in UTF-8.
//
//   null        empty, unquoted
//   text        always quoted, quotes doubled
//   boolean     1 or 0
//   numbers     shortest exact decimal form: integers as they are; doubles and
//               singles in the shortest form that reads back to the same value;
//               currency and fixed-point numerics exactly, trailing zeros trimmed
//   date/time   YYYY-MM-DD HH:MM:SS (a serial outside years 100..9999 is written
//               as its number, since it names no calendar date)
//   binary      hexadecimal, upper case ("" when there are no bytes, so that it
//               stays apart from null)
//   GUID        {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/value.h"

namespace scandrel::cli {

inline constexpr std::string_view kCsvLineEnd = "\r\n";

// Appends one field for a value.
void appendCsvField(std::string& out, const Value& value);
// Appends a header field: quoted only when the name needs it.
void appendCsvName(std::string& out, std::u16string_view name);
// Appends a text field, always quoted.
void appendCsvText(std::string& out, std::u16string_view text);

// The number forms on their own (also used by tests and the conformance check).
std::string formatDouble(double value);
std::string formatSingle(float value);
// "YYYY-MM-DD HH:MM:SS", or the serial as a number when out of the calendar's range.
std::string formatDateTime(double serial);
std::string formatHex(const std::vector<uint8_t>& bytes);

}  // namespace scandrel::cli
