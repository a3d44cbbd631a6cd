#pragma once
// Words for coded patient fields, and defaults for null values.
#include <cstdint>
#include <string>

#include "text/value.h"

namespace scandrel::text {

// Words for the activity flag, civil state, sex and the four relationship codes;
// the field name is compared exactly. A null civil state gives no words ("").
std::u16string DecodeFieldValue(const Value& value, const std::u16string& fieldName, uint8_t code);

// `value` itself unless null; for null: kind 0 -> " ", kinds 2, 4, 6 -> integer 0,
// any other kind -> false.
Value ValueOrDefault(const Value& value, float kind);

}  // namespace scandrel::text
