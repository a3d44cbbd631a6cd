#include "cli/csv_format.h"

#include <array>
#include <charconv>
#include <cmath>

#include "text/date.h"
#include "text/error.h"
#include "text/utf.h"

namespace scandrel::cli {

namespace {

void appendQuotedUtf8(std::string& out, std::string_view utf8) {
    out.push_back('"');
    for (char c : utf8) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

void appendTwoDigits(std::string& out, int n) {
    out.push_back(static_cast<char>('0' + n / 10));
    out.push_back(static_cast<char>('0' + n % 10));
}

}  // namespace

std::string formatDouble(double value) {
    std::array<char, 32> buf{};
    auto result = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    return std::string(buf.data(), result.ptr);
}

std::string formatSingle(float value) {
    std::array<char, 32> buf{};
    auto result = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    return std::string(buf.data(), result.ptr);
}

std::string formatDateTime(double serial) {
    text::DateTime dt;
    try {
        dt = text::dateTimeFromSerial(serial);
    } catch (const Error&) {
        return formatDouble(serial);  // before year 100, after 9999, or not a number
    }
    std::string out;
    out.reserve(19);
    appendTwoDigits(out, dt.year / 100);
    appendTwoDigits(out, dt.year % 100);
    out.push_back('-');
    appendTwoDigits(out, dt.month);
    out.push_back('-');
    appendTwoDigits(out, dt.day);
    out.push_back(' ');
    appendTwoDigits(out, dt.hour);
    out.push_back(':');
    appendTwoDigits(out, dt.minute);
    out.push_back(':');
    appendTwoDigits(out, dt.second);
    return out;
}

std::string formatHex(const std::vector<uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 0x0F]);
    }
    return out;
}

void appendCsvText(std::string& out, std::u16string_view text) {
    // Encoded straight into the output: texts are most of an export's bytes.
    // A lone surrogate becomes U+FFFD, as in toUtf8.
    out.push_back('"');
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        // Runs of plain ASCII are copied in one go.
        size_t end = i;
        while (end < n && text[end] < 0x80 && text[end] != u'"') ++end;
        if (end != i) {
            const size_t at = out.size();
            out.resize(at + (end - i));
            for (char* p = out.data() + at; i < end; ++i) *p++ = static_cast<char>(text[i]);
            if (i == n) break;
        }
        const char32_t c = text[i];
        if (c < 0x80) {
            if (c == u'"') out.push_back('"');
            out.push_back(static_cast<char>(c));
            continue;
        }
        if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
            continue;
        }
        char32_t cp = c;
        if (c >= 0xD800 && c <= 0xDFFF) {
            if (c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
                ++i;
            } else {
                cp = 0xFFFD;
            }
        }
        if (cp >= 0x10000) {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        }
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
    out.push_back('"');
}

void appendCsvName(std::string& out, std::u16string_view name) {
    const std::string utf8 = toUtf8(name);
    const bool needsQuotes = utf8.empty() || utf8.find_first_of(",\"\r\n") != std::string::npos ||
                             utf8.front() == ' ' || utf8.back() == ' ';
    if (needsQuotes)
        appendQuotedUtf8(out, utf8);
    else
        out += utf8;
}

void appendCsvField(std::string& out, const Value& value) {
    using Kind = Value::Kind;
    switch (value.kind()) {
    case Kind::Empty:
    case Kind::Null:
        return;
    case Kind::Boolean:
        out.push_back(value.asBoolean() ? '1' : '0');
        return;
    case Kind::Byte:
    case Kind::Integer:
    case Kind::Long: {
        std::array<char, 24> buf{};
        auto result = std::to_chars(buf.data(), buf.data() + buf.size(), value.asInteger());
        out.append(buf.data(), result.ptr);
        return;
    }
    case Kind::Single:
        out += formatSingle(static_cast<float>(value.asDouble()));
        return;
    case Kind::Double:
        out += formatDouble(value.asDouble());
        return;
    case Kind::Currency:
        out += currencyToString(value.asInteger());
        return;
    case Kind::Decimal:
        out += decimalToString(value.asDecimal());
        return;
    case Kind::Date:
        out += formatDateTime(value.asDouble());
        return;
    case Kind::Text:
        appendCsvText(out, value.asText());
        return;
    case Kind::Binary:
        if (value.asBinary().empty())
            out += "\"\"";
        else
            out += formatHex(value.asBinary());
        return;
    case Kind::Guid:
        out += toUtf8(value.toText());
        return;
    }
}

}  // namespace scandrel::cli
