#include "host/patient_card_text.h"

#include <filesystem>
#include <string>

#include "clinic/clinic_schema.h"
#include "db/database.h"
#include "search/result_row.h"
#include "text/error.h"
#include "text/utf.h"

namespace scandrel::host {
namespace {

std::u16string decimal(int64_t number) {
    return fromUtf8(std::to_string(number));
}

std::u16string fieldLine(const db::Recordset& patient, std::u16string_view field, std::u16string_view label) {
    const Value value = patient.field(field);
    if (value.isNull() || value.isEmpty()) return {};
    return std::u16string(label) + u": " + value.toText() + u"\r\n";
}

}  // namespace

std::u16string patientCardText(const std::u16string& databasePath, int32_t counter) {
    std::u16string card = u"Paciente " + decimal(counter) + u"\r\n";
    try {
        const db::Database database = db::Database::open(std::filesystem::path(databasePath));
        const db::Recordset patient = database.openRecordset(
            clinic::selectWhereEquals(clinic::pacientes::kTable, clinic::pacientes::kCounterAsQueried) +
            decimal(counter));
        if (patient.eof()) return card + u"Não encontrado no banco de dados.";
        card += search::resultRow(patient.field(clinic::pacientes::kNomePaciente),
                                  patient.field(clinic::pacientes::kDataNascimentoPaciente));
        card += u"\r\n";
        card += fieldLine(patient, clinic::pacientes::kCidadePaciente, u"Cidade");
        card += fieldLine(patient, clinic::pacientes::kTelefonesPaciente, u"Telefones");
    } catch (const Error& e) {
        card += u"Erro " + decimal(e.number()) + u": " + e.description();
    }
    return card;
}

}  // namespace scandrel::host
