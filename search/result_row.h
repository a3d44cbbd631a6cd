#pragma once
// A found patient as the result list shows it.
#include <cstdint>
#include <string>

#include "text/value.h"

namespace scandrel::search {

// «NAME (Nascimento: dd/mm/yyyy)», or the name alone when the birth date is null or
// the host's placeholder 01/01/1000. The name is shown as stored; a null name is
// shown as nothing rather than failing.
std::u16string resultRow(const Value& name, const Value& birthDate);

// A record number as a 32-bit counter: null is invalid use of null, out of range an overflow.
int32_t patientCounter(const Value& counter);

}  // namespace scandrel::search
