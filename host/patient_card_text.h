#pragma once
// What the host's patient card shows, read from the patient database with our engine.
#include <cstdint>
#include <string>

namespace scandrel::host {

// A few lines about the patient with this counter: name and birth date, city,
// phones. A patient that isn't there, or a database that can't be read, gives a
// line saying so instead.
std::u16string patientCardText(const std::u16string& databasePath, int32_t counter);

}  // namespace scandrel::host
