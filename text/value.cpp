#include "text/value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "text/date.h"
#include "text/error.h"
#include "text/lower_case.h"
#include "text/utf.h"

namespace scandrel {

namespace {

Error typeMismatch() { return Error(13, u"Tipos incompatíveis"); }

std::u16string ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

// Plain decimal with `digits` significant digits, comma as the decimal separator.
std::u16string formatFloating(double v, int digits) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
    std::u16string out;
    for (const char* p = buf; p != r.ptr; ++p) {
        char c = *p;
        if (c == '.') c = ',';
        if (c == 'e') c = 'E';
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    }
    return out;
}

// A decimal form with a point, as the platform writes it: with a comma.
std::u16string withDecimalComma(std::string s) {
    std::replace(s.begin(), s.end(), '.', ',');
    return ascii(s);
}

std::u16string formatDateValue(double serial) {
    const text::DateTime dt = text::dateTimeFromSerial(serial);
    const bool hasTime = dt.hour != 0 || dt.minute != 0 || dt.second != 0;
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", dt.hour, dt.minute, dt.second);
    if (std::trunc(serial) == 0 && hasTime) return ascii(time);
    std::u16string out = text::formatDayMonthYear(serial);
    if (hasTime) out += u" " + ascii(time);
    return out;
}

std::u16string formatGuid(const Value::Guid& g) {
    static constexpr int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    static constexpr char hex[] = "0123456789ABCDEF";
    std::u16string out = u"{";
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back(u'-');
        const uint8_t b = g[static_cast<size_t>(order[i])];
        out.push_back(static_cast<char16_t>(hex[b >> 4]));
        out.push_back(static_cast<char16_t>(hex[b & 15]));
    }
    out.push_back(u'}');
    return out;
}

// Numeric text as the platform reads it: optional sign, digits, comma or point decimals.
bool parseNumber(const std::u16string& text, double& out) {
    std::string s;
    for (char16_t c : text) {
        if (c > 0x7F) return false;
        s.push_back(c == u',' ? '.' : static_cast<char>(c));
    }
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return false;
    const auto last = s.find_last_not_of(' ');
    s = s.substr(first, last - first + 1);
    if (!s.empty() && s[0] == '+') s.erase(0, 1);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

}  // namespace

Value Value::null() { return Value(Kind::Null, std::monostate{}); }
Value Value::boolean(bool v) { return Value(Kind::Boolean, v); }
Value Value::byte(uint8_t v) { return Value(Kind::Byte, int64_t{v}); }
Value Value::integer(int16_t v) { return Value(Kind::Integer, int64_t{v}); }
Value Value::longValue(int32_t v) { return Value(Kind::Long, int64_t{v}); }
Value Value::single(float v) { return Value(Kind::Single, double{v}); }
Value Value::doubleValue(double v) { return Value(Kind::Double, v); }
Value Value::currency(int64_t tenThousandths) { return Value(Kind::Currency, tenThousandths); }
Value Value::date(double serial) { return Value(Kind::Date, serial); }
Value Value::text(std::u16string v) { return Value(Kind::Text, std::move(v)); }
Value Value::binary(std::vector<uint8_t> v) { return Value(Kind::Binary, std::move(v)); }
Value Value::guid(const Guid& v) { return Value(Kind::Guid, v); }
Value Value::decimal(const Decimal& v) { return Value(Kind::Decimal, v); }

bool Value::isNumeric() const noexcept {
    switch (kind_) {
        case Kind::Byte: case Kind::Integer: case Kind::Long: case Kind::Single:
        case Kind::Double: case Kind::Currency: case Kind::Decimal:
            return true;
        default:
            return false;
    }
}

int64_t Value::asInteger() const { return std::get<int64_t>(data_); }
double Value::asDouble() const { return std::get<double>(data_); }

std::u16string Value::toText() const {
    switch (kind_) {
        case Kind::Empty: return {};
        case Kind::Null: throw invalidUseOfNull();
        case Kind::Boolean: return asBoolean() ? u"True" : u"False";
        case Kind::Byte: case Kind::Integer: case Kind::Long:
            return ascii(std::to_string(asInteger()));
        case Kind::Single: return formatFloating(asDouble(), 7);
        case Kind::Double: return formatFloating(asDouble(), 15);
        case Kind::Currency: return withDecimalComma(currencyToString(asInteger()));
        case Kind::Date: return formatDateValue(asDouble());
        case Kind::Text: return asText();
        case Kind::Binary: {
            const auto& b = asBinary();
            std::u16string out;
            for (size_t i = 0; i + 1 < b.size(); i += 2)
                out.push_back(static_cast<char16_t>(b[i] | (b[i + 1] << 8)));
            return out;
        }
        case Kind::Guid: return formatGuid(asGuid());
        case Kind::Decimal: return withDecimalComma(decimalToString(asDecimal()));
    }
    return {};
}

double Value::toDouble() const {
    switch (kind_) {
        case Kind::Empty: return 0;
        case Kind::Null: throw invalidUseOfNull();
        case Kind::Boolean: return asBoolean() ? -1 : 0;
        case Kind::Byte: case Kind::Integer: case Kind::Long: return static_cast<double>(asInteger());
        case Kind::Currency: return static_cast<double>(asInteger()) / 10000.0;
        case Kind::Single: case Kind::Double: case Kind::Date: return asDouble();
        case Kind::Decimal: {
            double v = 0;
            if (!parseNumber(toText(), v)) throw typeMismatch();
            return v;
        }
        case Kind::Text: {
            double v = 0;
            if (!parseNumber(asText(), v)) throw typeMismatch();
            return v;
        }
        case Kind::Binary: case Kind::Guid: throw typeMismatch();
    }
    return 0;
}

bool Value::toBoolean() const {
    if (kind_ == Kind::Boolean) return asBoolean();
    if (kind_ == Kind::Text) {
        const std::u16string lower = text::toLower(asText());
        if (lower == u"true" || lower == u"verdadeiro") return true;
        if (lower == u"false" || lower == u"falso") return false;
    }
    return toDouble() != 0;
}

uint8_t Value::toByte() const {
    if (kind_ == Kind::Boolean) return asBoolean() ? 255 : 0;
    const double v = std::nearbyint(toDouble());  // ties to even, as the platform rounds
    if (!(v >= 0 && v <= 255)) throw overflow();
    return static_cast<uint8_t>(v);
}

std::string decimalToString(const Value::Decimal& value) {
    // Long division of the 96-bit magnitude by ten, collecting digits from the right.
    std::array<uint32_t, 3> m = value.mantissa;
    std::string digits;
    while (m[0] != 0 || m[1] != 0 || m[2] != 0) {
        uint64_t remainder = 0;
        for (int i = 2; i >= 0; --i) {
            const uint64_t part = (remainder << 32) | m[static_cast<size_t>(i)];
            m[static_cast<size_t>(i)] = static_cast<uint32_t>(part / 10);
            remainder = part % 10;
        }
        digits.push_back(static_cast<char>('0' + remainder));
    }
    // digits holds the number least significant first.
    size_t scale = value.scale;
    size_t trim = 0;
    while (trim < scale && trim < digits.size() && digits[trim] == '0') ++trim;
    if (trim == digits.size()) return "0";  // zero, whatever its sign or scale
    digits.erase(0, trim);
    scale -= trim;
    if (digits.size() <= scale) digits.append(scale - digits.size() + 1, '0');

    std::string out = value.negative ? "-" : "";
    for (size_t i = digits.size(); i-- > 0;) {
        out.push_back(digits[i]);
        if (i == scale && i != 0) out.push_back('.');
    }
    return out;
}

std::string currencyToString(int64_t tenThousandths) {
    // The magnitude as unsigned, so that the most negative amount is exact.
    const uint64_t magnitude = tenThousandths < 0 ? 0 - static_cast<uint64_t>(tenThousandths)
                                                  : static_cast<uint64_t>(tenThousandths);
    Value::Decimal d;
    d.negative = tenThousandths < 0;
    d.scale = 4;
    d.mantissa = {static_cast<uint32_t>(magnitude), static_cast<uint32_t>(magnitude >> 32), 0};
    return decimalToString(d);
}

}  // namespace scandrel
