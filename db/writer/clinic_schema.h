#pragma once
// The host's patient database: its seven tables with the columns the search
// reads, the linking record numbers and the counters, typed after the naming
// convention (tx text 255, me memo, dt date/time, ln long, bo boolean, by byte).
#include <cstddef>
#include <vector>

#include "db/writer/jet_writer.h"

namespace scandrel::db::writer {

// Table indexes into clinicTables(), in catalog order.
enum ClinicTable : size_t {
    kPacientes = 0,
    kAnamneses,
    kConsultaseRetornos,
    kConvenios,
    kGuias,
    kProcedimentosExames,
    kTextos,
    kClinicTableCount
};

std::vector<TableDef> clinicTables();

}  // namespace scandrel::db::writer
