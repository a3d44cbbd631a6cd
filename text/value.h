#pragma once
// The general value: what a database field or a host property holds.
#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace scandrel {

class Value {
public:
    enum class Kind : uint8_t {
        Empty, Null, Boolean, Byte, Integer, Long, Single, Double, Currency, Date, Text,
        Binary,   // OLE objects and binary columns: raw bytes
        Guid,     // replication id: 16 bytes in the file's order
        Decimal,  // fixed-point numeric
    };

    struct Decimal {
        bool negative = false;
        uint8_t scale = 0;                 // digits after the decimal point
        std::array<uint32_t, 3> mantissa{}; // 96-bit unsigned magnitude, least significant first
        bool operator==(const Decimal&) const = default;
    };
    using Guid = std::array<uint8_t, 16>;

    Value() = default;  // Empty
    static Value null();
    static Value boolean(bool v);
    static Value byte(uint8_t v);
    static Value integer(int16_t v);
    static Value longValue(int32_t v);
    static Value single(float v);
    static Value doubleValue(double v);
    static Value currency(int64_t tenThousandths);
    static Value date(double daysSince18991230);
    static Value text(std::u16string v);
    static Value binary(std::vector<uint8_t> v);
    static Value guid(const Guid& v);
    static Value decimal(const Decimal& v);

    Kind kind() const noexcept { return kind_; }
    bool isNull() const noexcept { return kind_ == Kind::Null; }
    bool isEmpty() const noexcept { return kind_ == Kind::Empty; }
    bool isNumeric() const noexcept;

    // Text form as the platform converts it: numbers in plain decimal (comma as the
    // decimal separator), booleans "True"/"False", dates "dd/mm/yyyy" (with
    // " hh:mm:ss" when there is a time of day), GUIDs "{XXXXXXXX-...}".
    // Empty gives "". Null is an error (94, invalid use of null).
    std::u16string toText() const;
    // Null and texts that are not "True"/"False" or a number are errors.
    bool toBoolean() const;
    // 0..255; out of range is an overflow error (6); false gives 0, true 255.
    uint8_t toByte() const;
    // Numeric value as a double (booleans: true is -1); errors for text, null, binary.
    double toDouble() const;

    // Typed access; valid only for the matching kind.
    bool asBoolean() const { return std::get<bool>(data_); }
    int64_t asInteger() const;  // Byte, Integer, Long, Currency (raw ten-thousandths)
    double asDouble() const;    // Single, Double, Date
    const std::u16string& asText() const { return std::get<std::u16string>(data_); }
    const std::vector<uint8_t>& asBinary() const { return std::get<std::vector<uint8_t>>(data_); }
    const Guid& asGuid() const { return std::get<Guid>(data_); }
    const Decimal& asDecimal() const { return std::get<Decimal>(data_); }

    bool operator==(const Value& other) const = default;

private:
    using Data = std::variant<std::monostate, bool, int64_t, double, std::u16string,
                              std::vector<uint8_t>, Guid, Decimal>;
    Value(Kind kind, Data data) : kind_(kind), data_(std::move(data)) {}

    Kind kind_ = Kind::Empty;
    Data data_;
};

// Exact decimal form with a point and no trailing zeros after it: "-12.5", "0".
std::string decimalToString(const Value::Decimal& value);
// A currency amount (ten-thousandths) in the same form: -35000 gives "-3.5".
std::string currencyToString(int64_t tenThousandths);

}  // namespace scandrel
