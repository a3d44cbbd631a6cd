// The clinic layout as the search reads it, through our engine.
#include <gtest/gtest.h>

#include "db/database.h"
#include "db/writer/clinic_writer.h"
#include "testing/readers.h"
#include "text/error.h"

namespace scandrel::db::writer {
namespace {

using testing::TempFile;

TEST(ClinicSchema, HasEveryFieldTheSearchReadsWithItsType) {
    TempFile file("schema.mdb");
    ClinicWriter(file.path()).finish();
    const Database db = Database::open(file.path());
    const std::pair<const char16_t*, std::vector<std::pair<const char16_t*, ColumnType>>> expected[] = {
        {u"Pacientes",
         {{u"paci_ln_Counter", ColumnType::Long}, {u"paci_dt_datanascimentopaciente", ColumnType::DateTime},
          {u"Paci_tx_NomePaciente", ColumnType::Text}, {u"Paci_tx_TelefonesPaciente", ColumnType::Text},
          {u"Paci_tx_SexoPaciente", ColumnType::Text}, {u"Paci_bo_NaoAtivo", ColumnType::Boolean},
          {u"Paci_by_PropCPF", ColumnType::Byte}, {u"Paci_by_PropCtrab", ColumnType::Byte},
          {u"Paci_tx_SecCode", ColumnType::Text}, {u"Paci_me_ObservacoesPaciente", ColumnType::Memo},
          {u"Paci_me_Alert", ColumnType::Memo}, {u"Paci_tx_Prontuario", ColumnType::Text},
          {u"Paci_ln_ConvenioPaciente", ColumnType::Long}}},
        {u"Anamneses",
         {{u"Anam_ln_Paciente", ColumnType::Long}, {u"Anam_me_PalavrasChave", ColumnType::Memo},
          {u"Anam_tx_Diagnostico2", ColumnType::Text}, {u"Anam_dt_DataAnamnese", ColumnType::DateTime}}},
        {u"ConsultaseRetornos",
         {{u"Cons_ln_Paciente", ColumnType::Long}, {u"Cons_me_TextoConsultaRetorno", ColumnType::Memo}}},
        {u"Convenios", {{u"Conv_ln_Counter", ColumnType::Long}, {u"Conv_tx_NomeConvenio", ColumnType::Text}}},
        {u"Guias",
         {{u"Guia_ln_Paciente", ColumnType::Long}, {u"Guia_ln_Procedimento", ColumnType::Long},
          {u"Guia_tx_NroGuia", ColumnType::Text}, {u"Guia_tx_MatriculaGuia", ColumnType::Text}}},
        {u"ProcedimentosExames",
         {{u"PrEx_ln_Counter", ColumnType::Long}, {u"PrEx_tx_NomeProcedimento", ColumnType::Text},
          {u"PrEx_tx_CodigoAMB", ColumnType::Text}, {u"PrEx_tx_Material", ColumnType::Text}}},
        {u"Textos",
         {{u"Text_ln_Paciente", ColumnType::Long}, {u"Text_tx_NomeTexto", ColumnType::Text},
          {u"Text_me_Texto", ColumnType::Memo}}},
    };
    EXPECT_EQ(db.tableNames().size(), std::size(expected));
    for (const auto& [table, fields] : expected) {
        Recordset rows = db.openRecordset(std::u16string(u"SELECT * FROM ") + table);
        for (const auto& [name, type] : fields) {
            const int index = rows.fieldIndex(name);
            EXPECT_EQ(rows.columns()[index].type, type) << toUtf8(name);
        }
    }
    // The spelling the host stores, which the search's decoder knows.
    EXPECT_EQ(db.columns(u"Pacientes")[28].name, u"Paci_by_PropCTrab");
}

TEST(ClinicWriter, NumbersRowsAndFillsTheRest) {
    TempFile file("clinic.mdb");
    {
        ClinicWriter clinic(file.path());
        const int32_t ana = clinic.add(kPacientes, {{u"paci_tx_nomepaciente", Value::text(u"ANA LIMA")}});
        const int32_t jose = clinic.add(kPacientes, {{u"Paci_ln_Counter", Value::longValue(40)},
                                                     {u"Paci_tx_NomePaciente", Value::text(u"José")}});
        EXPECT_EQ(ana, 1);
        EXPECT_EQ(jose, 40);
        EXPECT_EQ(clinic.add(kPacientes, {}), 41);
        EXPECT_EQ(clinic.add(kAnamneses, {{u"Anam_ln_Paciente", Value::longValue(jose)}}), 1);
        EXPECT_EQ(clinic.add(kAnamneses, {{u"Anam_ln_Paciente", Value::longValue(jose)}}), 2);
        EXPECT_THROW(clinic.add(kPacientes, {{u"Paci_tx_Inexistente", Value::text(u"x")}}), Error);
        EXPECT_THROW(clinic.add(kPacientes, {{u"Paci_ln_Counter", Value::text(u"x")}}), Error);
        clinic.finish();
    }
    const Database db = Database::open(file.path());
    Recordset patients = db.openRecordset(u"SELECT * FROM Pacientes ORDER BY Paci_ln_Counter");
    EXPECT_EQ(patients.recordCount(), 3);
    EXPECT_EQ(patients.field(u"Paci_tx_NomePaciente"), Value::text(u"ANA LIMA"));
    EXPECT_EQ(patients.field(u"Paci_bo_NaoAtivo"), Value::boolean(false));
    EXPECT_TRUE(patients.field(u"Paci_tx_EstadoCivilPaciente").isNull());
    EXPECT_TRUE(patients.field(u"Paci_me_Alert").isNull());
    Recordset anamneses = db.openRecordset(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = 40");
    EXPECT_EQ(anamneses.recordCount(), 2);
}

}  // namespace
}  // namespace scandrel::db::writer
