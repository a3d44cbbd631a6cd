#pragma once
// Clinic databases for the tests of the search, its window, the plug-in and the host,
// written into a folder of their own that goes away with the test.
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "clinic/clinic_schema.h"
#include "db/database.h"
#include "db/writer/clinic_writer.h"
#include "text/date.h"
#include "text/utf.h"
#include "text/value.h"

namespace scandrel::search::testing {

namespace fs = std::filesystem;
using db::writer::ClinicRow;
using db::writer::ClinicWriter;
using namespace db::writer;  // table names: kPacientes, kAnamneses, ...

class TempDir {
public:
    TempDir() {
        static std::atomic<int> serial{0};
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::temp_directory_path() /
                ("scandrel-search-" + std::to_string(::getpid()) + "-" + std::to_string(serial++) + "-" +
                 (test ? test->name() : "x"));
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

// A test with a clinic of its own: rows are added, and the file is written at the
// first look at it.
class ClinicTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path file = dir / "clinica.mdb";
    std::optional<ClinicWriter> clinic{std::in_place, file};

    int32_t add(ClinicTable table, const ClinicRow& row) { return clinic->add(table, row); }

    // The clinic, written first.
    db::Database finishedClinic() {
        if (clinic) {
            clinic->finish();
            clinic.reset();
        }
        return db::Database::open(file);
    }

    static db::Recordset patientRow(const db::Database& database, int32_t counter) {
        return database.openRecordset(
            clinic::selectWhereEquals(clinic::pacientes::kTable, clinic::pacientes::kCounterAsQueried) +
            fromUtf8(std::to_string(counter)));
    }
};

inline Value text(const char16_t* s) { return Value::text(s); }
inline Value date(int year, int month, int day) {
    text::DateTime dt;
    dt.year = year;
    dt.month = month;
    dt.day = day;
    return Value::date(text::serialFromDateTime(dt));
}
inline Value number(int32_t n) { return Value::longValue(n); }
inline Value code(uint8_t n) { return Value::byte(n); }

// Patients "PACIENTE 0001" to `patients` in name order, each with an anamnesis of
// "Retorno"; those past the first `plain` also with a guide of the clinic's one
// procedure, so that a search first reads "ProcedimentosExames" at patient `plain` + 1
// (through links to a server: in the second batch). The names, in order.
inline std::vector<std::u16string> writeRetornoClinic(const fs::path& file, int patients, int plain) {
    std::vector<std::u16string> names;
    ClinicWriter writer(file);
    const int32_t procedure = writer.add(kProcedimentosExames, {{u"PrEx_tx_NomeProcedimento", text(u"Consulta")}});
    for (int i = 1; i <= patients; ++i) {
        const std::u16string name = u"PACIENTE " + fromUtf8(std::to_string(10000 + i).substr(1));
        const int32_t id = writer.add(kPacientes, {{u"Paci_tx_NomePaciente", Value::text(name)}});
        writer.add(kAnamneses, {{u"Anam_ln_Paciente", number(id)}, {u"Anam_tx_Diagnostico1", text(u"Retorno")}});
        if (i > plain) writer.add(kGuias, {{u"Guia_ln_Paciente", number(id)}, {u"Guia_ln_Procedimento", number(procedure)}});
        names.push_back(name);
    }
    writer.finish();
    return names;
}

// A UTF-16 text holding `part`.
MATCHER_P(Holds, part, "holds " + ::testing::PrintToString(std::u16string(part))) {
    return std::u16string_view(arg).find(part) != std::u16string_view::npos;
}

}  // namespace scandrel::search::testing
