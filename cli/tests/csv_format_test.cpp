#include "cli/csv_format.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace scandrel::cli {
namespace {

std::string field(const Value& value) {
    std::string out;
    appendCsvField(out, value);
    return out;
}

Value::Decimal decimal(bool negative, uint8_t scale, uint32_t low, uint32_t mid = 0, uint32_t high = 0) {
    Value::Decimal d;
    d.negative = negative;
    d.scale = scale;
    d.mantissa = {low, mid, high};
    return d;
}

TEST(CsvFormat, NullIsAnEmptyUnquotedFieldButEmptyTextIsQuoted) {
    EXPECT_EQ(field(Value::null()), "");
    EXPECT_EQ(field(Value::text(u"")), "\"\"");
    EXPECT_EQ(field(Value::binary({})), "\"\"");
}

TEST(CsvFormat, TextsAreAlwaysQuotedWithQuotesDoubled) {
    EXPECT_EQ(field(Value::text(u"plain")), "\"plain\"");
    EXPECT_EQ(field(Value::text(u"say \"hi\", then\r\nleave")), "\"say \"\"hi\"\", then\r\nleave\"");
    EXPECT_EQ(field(Value::text(u"\"")), "\"\"\"\"");
    // UTF-8, including characters outside the Basic Multilingual Plane.
    EXPECT_EQ(field(Value::text(u"a\u00e7\u20ac\U0001F600")),
              "\"a\xc3\xa7\xe2\x82\xac\xf0\x9f\x98\x80\"");
    // Lone halves of a pair (a damaged text) become U+FFFD, as everywhere else.
    const std::u16string lone{u'a', char16_t(0xD83D), u'b', char16_t(0xDE00)};
    EXPECT_EQ(field(Value::text(lone)), "\"a\xef\xbf\xbd" "b\xef\xbf\xbd\"");
}

TEST(CsvFormat, HeaderNamesAreQuotedOnlyWhenNeeded) {
    std::string out;
    appendCsvName(out, u"Paci_tx_Nome");
    out += ',';
    appendCsvName(out, u"a,b");
    out += ',';
    appendCsvName(out, u"say \"x\"");
    out += ',';
    appendCsvName(out, u" padded");
    EXPECT_EQ(out, "Paci_tx_Nome,\"a,b\",\"say \"\"x\"\"\",\" padded\"");
}

TEST(CsvFormat, BooleansAndIntegers) {
    EXPECT_EQ(field(Value::boolean(true)), "1");
    EXPECT_EQ(field(Value::boolean(false)), "0");
    EXPECT_EQ(field(Value::byte(255)), "255");
    EXPECT_EQ(field(Value::integer(-32768)), "-32768");
    EXPECT_EQ(field(Value::longValue(std::numeric_limits<int32_t>::min())), "-2147483648");
}

TEST(CsvFormat, FloatingPointUsesTheShortestFormThatReadsBack) {
    EXPECT_EQ(field(Value::doubleValue(444.555)), "444.555");
    EXPECT_EQ(field(Value::doubleValue(0.1)), "0.1");
    EXPECT_EQ(field(Value::doubleValue(-0.0)), "-0");
    EXPECT_EQ(field(Value::doubleValue(1e300)), "1e+300");
    EXPECT_EQ(field(Value::doubleValue(5e-324)), "5e-324");
    // A single is written as a float, not as the double it widens to.
    EXPECT_EQ(field(Value::single(0.1f)), "0.1");
    EXPECT_EQ(field(Value::single(3.4028235e38f)), "3.4028235e+38");
    EXPECT_EQ(formatDouble(std::numeric_limits<double>::quiet_NaN()), "nan");
}

TEST(CsvFormat, CurrencyIsExactWithTrailingZerosTrimmed) {
    EXPECT_EQ(field(Value::currency(35000)), "3.5");
    EXPECT_EQ(field(Value::currency(0)), "0");
    EXPECT_EQ(field(Value::currency(-1)), "-0.0001");
    EXPECT_EQ(field(Value::currency(-12345)), "-1.2345");
    EXPECT_EQ(field(Value::currency(1230000)), "123");
    EXPECT_EQ(field(Value::currency(std::numeric_limits<int64_t>::min())), "-922337203685477.5808");
    EXPECT_EQ(field(Value::currency(std::numeric_limits<int64_t>::max())), "922337203685477.5807");
}

TEST(CsvFormat, DecimalsAreExact) {
    EXPECT_EQ(decimalToString(decimal(false, 0, 4)), "4");
    EXPECT_EQ(decimalToString(decimal(true, 0, 1)), "-1");
    EXPECT_EQ(decimalToString(decimal(false, 2, 125)), "1.25");
    EXPECT_EQ(decimalToString(decimal(false, 3, 1500)), "1.5");
    EXPECT_EQ(decimalToString(decimal(false, 2, 5)), "0.05");
    EXPECT_EQ(decimalToString(decimal(true, 4, 0)), "0");
    EXPECT_EQ(decimalToString(decimal(false, 2, 1000)), "10");
    // The full 96 bits, and a scale beyond the digits.
    EXPECT_EQ(decimalToString(decimal(false, 28, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF)),
              "7.9228162514264337593543950335");
    EXPECT_EQ(decimalToString(decimal(false, 0, 0, 0, 1)), "18446744073709551616");
    EXPECT_EQ(decimalToString(decimal(true, 30, 5)), "-0.000000000000000000000000000005");
    EXPECT_EQ(field(Value::decimal(decimal(false, 1, 15))), "1.5");
}

TEST(CsvFormat, DatesAsYearMonthDayAndTime) {
    EXPECT_EQ(field(Value::date(0.0)), "1899-12-30 00:00:00");
    EXPECT_EQ(field(Value::date(27293.0)), "1974-09-21 00:00:00");
    EXPECT_EQ(field(Value::date(1.75)), "1899-12-31 18:00:00");
    // Before the epoch the fraction still counts forward from midnight.
    EXPECT_EQ(field(Value::date(-1.25)), "1899-12-29 06:00:00");
    EXPECT_EQ(field(Value::date(2958465.0)), "9999-12-31 00:00:00");
    EXPECT_EQ(field(Value::date(-657434.0)), "0100-01-01 00:00:00");
    // No calendar date: the serial itself, so that nothing is lost.
    EXPECT_EQ(field(Value::date(1e10)), "1e+10");
    EXPECT_EQ(field(Value::date(-1e7)), "-1e+07");
    // The last half second of 9999 would round into year 10000.
    EXPECT_EQ(field(Value::date(2958465.9999999)), "2958465.9999999");
    EXPECT_EQ(field(Value::date(std::numeric_limits<double>::infinity())), "inf");
}

TEST(CsvFormat, BinaryAsUpperCaseHexAndGuidsInBraces) {
    EXPECT_EQ(field(Value::binary({0x00, 0xAB, 0x10, 0xFF})), "00AB10FF");
    Value::Guid guid{0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                     0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    EXPECT_EQ(field(Value::guid(guid)), "{00112233-4455-6677-8899-AABBCCDDEEFF}");
}

}  // namespace
}  // namespace scandrel::cli
