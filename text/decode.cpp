#include "text/decode.h"

#include <array>
#include <optional>

#include "clinic/clinic_schema.h"

namespace scandrel::text {
namespace {

// Whose document it is, by relationship code 1 to 16.
constexpr std::array<const char16_t*, 16> kRelationships = {
    u"o proprio paciente",  u"Pai do paciente",    u"mae do paciente",   u"avo do paciente",
    u"avo do paciente",     u"tio do paciente",    u"tia do paciente",   u"irmao do paciente",
    u"irma do paciente",    u"filho do paciente",  u"filha do paciente", u"neto do paciente",
    u"neta do paciente",    u"sobrinho do paciente", u"sobrinha do paciente", u"outro responsavel",
};

// Activity flag: only a true value (a Boolean true, or the number -1 that stands for it)
// means inactive.
bool isTrue(const Value& value) {
    if (value.kind() == Value::Kind::Boolean) return value.asBoolean();
    if (value.isNumeric()) return value.toDouble() == -1.0;
    return false;
}

// The value as the text that the one-letter codes are compared with; none for null.
std::optional<std::u16string> codeText(const Value& value) {
    if (value.isNull()) return std::nullopt;
    return value.toText();
}

std::u16string civilState(const Value& value) {
    const auto code = codeText(value);
    if (!code) return {};  // no civil state recorded: no words
    if (*code == u"S") return u"solteiro solteira";
    if (*code == u"C") return u"casado casada";
    if (*code == u"V") return u"viuvo viuva";
    if (*code == u"D") return u"divorciado divorciada";
    return *code;
}

std::u16string sex(const Value& value) {
    const auto code = codeText(value);
    if (code == u"M") return u"masculino";
    if (code == u"F") return u"feminino";
    return {};
}

}  // namespace

std::u16string DecodeFieldValue(const Value& value, const std::u16string& fieldName, uint8_t code) {
    if (fieldName == clinic::pacientes::kNaoAtivo) return isTrue(value) ? u"inativo inativa" : u"ativo ativa";
    if (fieldName == clinic::pacientes::kEstadoCivilPaciente) return civilState(value);
    if (fieldName == clinic::pacientes::kSexoPaciente) return sex(value);
    if (fieldName == clinic::pacientes::kPropCPF || fieldName == clinic::pacientes::kPropID ||
        fieldName == clinic::pacientes::kPropCTrab || fieldName == clinic::pacientes::kPropCNH) {
        if (code >= 1 && code <= kRelationships.size()) return kRelationships[code - 1];
        return {};
    }
    return {};
}

Value ValueOrDefault(const Value& value, float kind) {
    if (!value.isNull()) return value;
    if (kind == 0.0f) return Value::text(u" ");
    if (kind == 2.0f || kind == 4.0f || kind == 6.0f) return Value::integer(0);
    return Value::boolean(false);
}

}  // namespace scandrel::text
