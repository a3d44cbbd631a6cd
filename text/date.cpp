#include "text/date.h"

#include <cmath>
#include <cstdint>

#include "text/error.h"

namespace scandrel::text {
namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Day numbers on the proleptic Gregorian calendar, counted from 1970-01-01: 400-year
// eras of 146097 days, with years taken to start in March so that the leap day ends
// the year.
constexpr int64_t daysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;                                     // 0..399
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;  // 0..365
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(int64_t days, DateTime& dt) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;                                              // 0..146096
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);  // 0..365
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;                                    // 0..11, from March
    const int64_t month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    dt.day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    dt.month = static_cast<int>(month);
    dt.year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

constexpr int64_t kEpochDays = daysFromCivil(1899, 12, 30);
constexpr int64_t kFirstDay = daysFromCivil(100, 1, 1) - kEpochDays;    // serial of 0100-01-01
constexpr int64_t kLastDay = daysFromCivil(9999, 12, 31) - kEpochDays;  // serial of 9999-12-31
static_assert(kFirstDay == -657434 && kLastDay == 2958465);

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

void appendPadded(std::u16string& out, int number, int width) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + number % 10));
        number /= 10;
    } while (number > 0);
    if (static_cast<int>(digits.size()) < width) out.append(static_cast<std::size_t>(width) - digits.size(), u'0');
    out += digits;
}

}  // namespace

// The integer part of the serial gives the day and the absolute value of the fraction the
// time of day, so -1.25 is 1899-12-29 06:00 and -0.5 is 1899-12-30 12:00, like 0.5. The time
// is rounded to the nearest second; 23:59:59.5 and later become midnight of the next day.
DateTime dateTimeFromSerial(double serial) {
    if (!std::isfinite(serial) || serial <= static_cast<double>(kFirstDay - 1) ||
        serial >= static_cast<double>(kLastDay + 1)) {
        throw overflow();
    }
    const double wholeDays = std::trunc(serial);
    int64_t day = static_cast<int64_t>(wholeDays);
    int64_t seconds = std::llround(std::fabs(serial - wholeDays) * kSecondsPerDay);
    if (seconds == kSecondsPerDay) {
        seconds = 0;
        ++day;
        if (day > kLastDay) throw overflow();
    }
    DateTime dt;
    civilFromDays(day + kEpochDays, dt);
    dt.hour = static_cast<int>(seconds / 3600);
    dt.minute = static_cast<int>(seconds / 60 % 60);
    dt.second = static_cast<int>(seconds % 60);
    return dt;
}

double serialFromDateTime(const DateTime& dt) {
    if (dt.year < 100 || dt.year > 9999 || dt.month < 1 || dt.month > 12 || dt.day < 1 ||
        dt.day > daysInMonth(dt.year, dt.month) || dt.hour < 0 || dt.hour > 23 || dt.minute < 0 ||
        dt.minute > 59 || dt.second < 0 || dt.second > 59) {
        throw overflow();
    }
    const int64_t day = daysFromCivil(dt.year, dt.month, dt.day) - kEpochDays;
    const double time = static_cast<double>(dt.hour * 3600 + dt.minute * 60 + dt.second) /
                        static_cast<double>(kSecondsPerDay);
    return day < 0 ? static_cast<double>(day) - time : static_cast<double>(day) + time;
}

std::u16string formatDayMonthYear(double serial) {
    const DateTime dt = dateTimeFromSerial(serial);
    std::u16string out;
    out.reserve(10);
    appendPadded(out, dt.day, 2);
    out += u'/';
    appendPadded(out, dt.month, 2);
    out += u'/';
    appendPadded(out, dt.year, 4);
    return out;
}

}  // namespace scandrel::text
