#pragma once
// Dates as the host's database stores them: days since 1899-12-30 as a double,
// the fraction being the time of day (for days before 1899-12-30 the fraction still
// counts forward from midnight of the day given by the integer part).
#include <cstdint>
#include <string>

namespace scandrel::text {

struct DateTime {
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
};

// Valid for years 100 to 9999; serials outside that range (or not finite) and fields
// that do not form a valid date and time are an overflow error (6). The time of day is
// rounded to the nearest second.
DateTime dateTimeFromSerial(double serial);
double serialFromDateTime(const DateTime& dt);

// "dd/mm/yyyy"
std::u16string formatDayMonthYear(double serial);

}  // namespace scandrel::text
