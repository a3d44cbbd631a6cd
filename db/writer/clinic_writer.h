#pragma once
// Writes a clinic database with just the rows a test needs.
//
//   ClinicWriter clinic(path);
//   int32_t ana = clinic.add(kPacientes, {{u"Paci_tx_NomePaciente", Value::text(u"ANA LIMA")},
//                                         {u"Paci_tx_EstadoCivilPaciente", Value::text(u"C")}});
//   clinic.add(kAnamneses, {{u"Anam_ln_Paciente", Value::longValue(ana)},
//                           {u"Anam_tx_Diagnostico1", Value::text(u"asma")}});
//   clinic.finish();
//
// Column names are matched without regard to case; an unknown name is an error.
// Columns left out are null, booleans false. A row without its counter column
// (Paci_ln_Counter, Anam_ln_Counter, ...) gets the next free number of its
// table, starting at 1; add() returns the row's counter either way.
// Every other column is stored exactly as given (Value::null() included).
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "db/writer/clinic_schema.h"
#include "db/writer/jet_writer.h"

namespace scandrel::db::writer {

using ClinicRow = std::vector<std::pair<std::u16string, Value>>;

class ClinicWriter {
public:
    explicit ClinicWriter(const std::filesystem::path& path);

    int32_t add(ClinicTable table, const ClinicRow& row);
    void finish();

private:
    std::vector<TableDef> tables_;
    JetWriter writer_;
    std::vector<int32_t> nextCounter_;
};

}  // namespace scandrel::db::writer
