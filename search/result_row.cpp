#include "search/result_row.h"

#include <cmath>
#include <limits>

#include "text/date.h"
#include "text/error.h"

namespace scandrel::search {
namespace {

std::u16string formatBirthDate(const Value& date) {
    if (date.isNull()) return {};
    if (date.kind() == Value::Kind::Date) return text::formatDayMonthYear(date.asDouble());
    return date.toText();
}

}  // namespace

std::u16string resultRow(const Value& name, const Value& birthDate) {
    std::u16string row = name.isNull() ? std::u16string() : name.toText();
    const std::u16string date = formatBirthDate(birthDate);
    if (!birthDate.isNull() && date != u"01/01/1000") {
        row += u" (Nascimento: ";
        row += date;
        row += u')';
    }
    return row;
}

int32_t patientCounter(const Value& counter) {
    if (counter.isNull()) throw invalidUseOfNull();
    double n = 0;
    switch (counter.kind()) {
        case Value::Kind::Byte:
        case Value::Kind::Integer:
        case Value::Kind::Long:
            n = static_cast<double>(counter.asInteger());
            break;
        default:
            n = std::nearbyint(counter.toDouble());
    }
    if (!(n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max())) throw overflow();
    return static_cast<int32_t>(n);
}

}  // namespace scandrel::search
