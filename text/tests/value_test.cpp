#include "text/value.h"

#include <gtest/gtest.h>

#include <functional>

#include "text/error.h"

namespace scandrel {
namespace {

int32_t errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& e) {
        return e.number();
    }
    return 0;
}

TEST(ValueToText, Kinds) {
    EXPECT_EQ(Value::integer(-32768).toText(), u"-32768");
    EXPECT_EQ(Value::longValue(2147483647).toText(), u"2147483647");
    EXPECT_EQ(Value::doubleValue(-0.25).toText(), u"-0,25");
    EXPECT_EQ(Value::doubleValue(100).toText(), u"100");
    EXPECT_EQ(Value::doubleValue(1.0 / 3).toText(), u"0,333333333333333");
    EXPECT_EQ(Value::single(0.1f).toText(), u"0,1");
    EXPECT_EQ(Value::currency(12345).toText(), u"1,2345");
    EXPECT_EQ(Value::currency(-5000).toText(), u"-0,5");
    EXPECT_EQ(Value::currency(0).toText(), u"0");
    EXPECT_EQ(Value::currency(-1).toText(), u"-0,0001");
    EXPECT_EQ(Value::currency(1230000).toText(), u"123");
    EXPECT_EQ(Value::currency(INT64_MIN).toText(), u"-922337203685477,5808");
    EXPECT_EQ(Value::decimal({true, 2, {5, 0, 0}}).toText(), u"-0,05");
    EXPECT_EQ(Value().toText(), u"");
    EXPECT_EQ(Value::boolean(true).toText(), u"True");
    EXPECT_EQ(Value::date(36526).toText(), u"01/01/2000");
    EXPECT_EQ(Value::date(36526.5).toText(), u"01/01/2000 12:00:00");
    EXPECT_EQ(Value::date(-1.25).toText(), u"29/12/1899 06:00:00");
    Value::Guid g{};
    for (std::size_t i = 0; i < g.size(); ++i) g[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(Value::guid(g).toText(), u"{03020100-0504-0706-0809-0A0B0C0D0E0F}");
    EXPECT_EQ(errorOf([] { (void)Value::null().toText(); }), errors::kInvalidUseOfNull);
}

TEST(ValueToByte, RangeAndRounding) {
    EXPECT_EQ(Value::longValue(255).toByte(), 255);
    EXPECT_EQ(Value::doubleValue(2.5).toByte(), 2);
    EXPECT_EQ(Value::doubleValue(3.5).toByte(), 4);
    EXPECT_EQ(Value::boolean(false).toByte(), 0);
    EXPECT_EQ(Value::boolean(true).toByte(), 255);
    EXPECT_EQ(Value::text(u"12").toByte(), 12);
    EXPECT_EQ(errorOf([] { (void)Value::longValue(256).toByte(); }), errors::kOverflow);
    EXPECT_EQ(errorOf([] { (void)Value::integer(-1).toByte(); }), errors::kOverflow);
    EXPECT_EQ(errorOf([] { (void)Value::doubleValue(255.5).toByte(); }), errors::kOverflow);
    EXPECT_EQ(errorOf([] { (void)Value::null().toByte(); }), errors::kInvalidUseOfNull);
    EXPECT_NE(errorOf([] { (void)Value::text(u"abc").toByte(); }), 0);
}

TEST(ValueToBoolean, Conversions) {
    EXPECT_TRUE(Value::longValue(-1).toBoolean());
    EXPECT_TRUE(Value::doubleValue(0.5).toBoolean());
    EXPECT_FALSE(Value::integer(0).toBoolean());
    EXPECT_TRUE(Value::text(u"true").toBoolean());
    EXPECT_FALSE(Value::text(u"False").toBoolean());
    EXPECT_FALSE(Value::text(u"0").toBoolean());
    EXPECT_EQ(errorOf([] { (void)Value::null().toBoolean(); }), errors::kInvalidUseOfNull);
    EXPECT_NE(errorOf([] { (void)Value::text(u"sim").toBoolean(); }), 0);
    EXPECT_NE(errorOf([] { (void)Value::text(u"").toBoolean(); }), 0);
}

}  // namespace
}  // namespace scandrel
