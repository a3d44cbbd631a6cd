#include "text/decode.h"

#include <gtest/gtest.h>

#include <string>

namespace scandrel::text {
namespace {

std::u16string decode(const Value& value, const std::u16string& field) { return DecodeFieldValue(value, field, 0); }

TEST(DecodeFieldValue, Activity) {
    const std::u16string field = u"Paci_bo_NaoAtivo";
    EXPECT_EQ(decode(Value::boolean(true), field), u"inativo inativa");
    EXPECT_EQ(decode(Value::integer(-1), field), u"inativo inativa");  // the number that stands for true
    for (const Value& v : {Value::boolean(false), Value::null(), Value(), Value::integer(1), Value::text(u"S")}) {
        EXPECT_EQ(decode(v, field), u"ativo ativa");
    }
}

TEST(DecodeFieldValue, CivilStateAndSex) {
    const std::u16string civil = u"Paci_tx_EstadoCivilPaciente";
    EXPECT_EQ(decode(Value::text(u"S"), civil), u"solteiro solteira");
    EXPECT_EQ(decode(Value::text(u"C"), civil), u"casado casada");
    EXPECT_EQ(decode(Value::text(u"V"), civil), u"viuvo viuva");
    EXPECT_EQ(decode(Value::text(u"D"), civil), u"divorciado divorciada");
    for (const char16_t* other : {u"c", u"X", u"C ", u""}) EXPECT_EQ(decode(Value::text(other), civil), other);
    EXPECT_EQ(decode(Value::longValue(7), civil), u"7");
    EXPECT_EQ(decode(Value::null(), civil), u"");  // nothing recorded, no words

    const std::u16string sex = u"Paci_tx_SexoPaciente";
    EXPECT_EQ(decode(Value::text(u"M"), sex), u"masculino");
    EXPECT_EQ(decode(Value::text(u"F"), sex), u"feminino");
    for (const Value& v : {Value::text(u"f"), Value::text(u"X"), Value::null(), Value::integer(1)}) {
        EXPECT_EQ(decode(v, sex), u"");
    }
}

TEST(DecodeFieldValue, RelationshipCodes) {
    const char16_t* const expected[] = {
        u"",                  u"o proprio paciente", u"Pai do paciente",      u"mae do paciente",
        u"avo do paciente",   u"avo do paciente",    u"tio do paciente",      u"tia do paciente",
        u"irmao do paciente", u"irma do paciente",   u"filho do paciente",    u"filha do paciente",
        u"neto do paciente",  u"neta do paciente",   u"sobrinho do paciente", u"sobrinha do paciente",
        u"outro responsavel",
    };
    for (const char16_t* field : {u"Paci_by_PropCPF", u"Paci_by_PropID", u"Paci_by_PropCTrab", u"Paci_by_PropCNH"}) {
        for (int code = 0; code <= 255; ++code) {
            EXPECT_EQ(DecodeFieldValue(Value::null(), field, static_cast<uint8_t>(code)),
                      code <= 16 ? expected[code] : u"")
                << code;
        }
    }
}

TEST(DecodeFieldValue, FieldNamesAreComparedExactly) {
    EXPECT_EQ(DecodeFieldValue(Value(), u"Paci_by_PropCtrab", 3), u"");
    EXPECT_EQ(decode(Value::text(u"F"), u"paci_tx_SexoPaciente"), u"");
    EXPECT_EQ(decode(Value::boolean(true), u"Paci_bo_NaoAtivo "), u"");
    EXPECT_EQ(decode(Value::text(u"C"), u""), u"");
    // Only the relationship fields look at the code; the others at the value.
    EXPECT_EQ(DecodeFieldValue(Value::text(u"M"), u"Paci_tx_SexoPaciente", 1), u"masculino");
    EXPECT_EQ(DecodeFieldValue(Value::text(u"M"), u"Paci_by_PropCPF", 1), u"o proprio paciente");
}

TEST(ValueOrDefault, NullGetsTheDefaultOfItsKind) {
    EXPECT_EQ(ValueOrDefault(Value::null(), 0.0f), Value::text(u" "));
    EXPECT_EQ(ValueOrDefault(Value::null(), -0.0f), Value::text(u" "));
    for (float kind : {2.0f, 4.0f, 6.0f}) EXPECT_EQ(ValueOrDefault(Value::null(), kind), Value::integer(0));
    for (float kind : {1.0f, 3.0f, 0.5f, 4.01f, -4.0f}) {
        EXPECT_EQ(ValueOrDefault(Value::null(), kind), Value::boolean(false)) << kind;
    }
    // A null relationship code reads as false, which is code 0: no words.
    EXPECT_EQ(DecodeFieldValue(Value(), u"Paci_by_PropCPF", ValueOrDefault(Value::null(), 1.0f).toByte()), u"");
}

TEST(ValueOrDefault, OtherValuesPassUnchanged) {
    for (float kind : {0.0f, 1.0f, 4.0f, 9.0f}) {
        for (const Value& v : {Value::text(u"abc"), Value::text(u""), Value(), Value::longValue(0), Value::boolean(true)}) {
            EXPECT_EQ(ValueOrDefault(v, kind), v);
        }
    }
}

}  // namespace
}  // namespace scandrel::text
