#include "db/writer/clinic_schema.h"

#include "clinic/clinic_schema.h"

namespace scandrel::db::writer {
namespace {

using T = ColumnType;
using namespace clinic;

ColumnDef tx(Name name) { return {std::u16string(name), T::Text, 255}; }
ColumnDef me(Name name) { return {std::u16string(name), T::Memo}; }
ColumnDef ln(Name name) { return {std::u16string(name), T::Long}; }
ColumnDef dt(Name name) { return {std::u16string(name), T::DateTime}; }
ColumnDef bo(Name name) { return {std::u16string(name), T::Boolean}; }
ColumnDef by(Name name) { return {std::u16string(name), T::Byte}; }

}  // namespace

std::vector<TableDef> clinicTables() {
    return {
        {std::u16string(pacientes::kTable),
         {ln(pacientes::kCounter), tx(pacientes::kNomePaciente), dt(pacientes::kDataNascimentoPaciente),
          tx(pacientes::kLeito), tx(pacientes::kMatriculaPaciente), tx(pacientes::kEstadoCivilPaciente),
          tx(pacientes::kCorPaciente), tx(pacientes::kNaturalidadePaciente),
          tx(pacientes::kGraudeInstrucaoPaciente), tx(pacientes::kCPFPaciente), tx(pacientes::kProfissaoPaciente),
          tx(pacientes::kDocumentoIdentidadePaciente), tx(pacientes::kEmailMed), tx(pacientes::kEmail),
          tx(pacientes::kEmailAlt), tx(pacientes::kIndicadoPorPaciente), tx(pacientes::kLogradouroPaciente),
          tx(pacientes::kCidadePaciente), tx(pacientes::kComplementoPaciente), tx(pacientes::kBairroPaciente),
          tx(pacientes::kUFPaciente), tx(pacientes::kCEPPaciente), tx(pacientes::kTelefonesPaciente),
          tx(pacientes::kSexoPaciente), bo(pacientes::kNaoAtivo), by(pacientes::kPropCPF), by(pacientes::kPropID),
          by(pacientes::kPropCNH), by(pacientes::kPropCTrab), tx(pacientes::kSecCode),
          me(pacientes::kObservacoesPaciente), me(pacientes::kAlert), tx(pacientes::kProntuario),
          ln(pacientes::kConvenioPaciente)}},
        {std::u16string(anamneses::kTable),
         {ln(anamneses::kCounter), ln(anamneses::kPaciente), dt(anamneses::kDataAnamnese),
          me(anamneses::kPalavrasChave), tx(anamneses::kDiagnostico1), tx(anamneses::kDiagnostico2),
          me(anamneses::kTextoAnamnese)}},
        {std::u16string(consultas::kTable),
         {ln(consultas::kCounter), ln(consultas::kPaciente), dt(consultas::kDataConsultaRetorno),
          me(consultas::kTextoConsultaRetorno)}},
        {std::u16string(convenios::kTable), {ln(convenios::kCounter), tx(convenios::kNomeConvenio)}},
        {std::u16string(guias::kTable),
         {ln(guias::kCounter), ln(guias::kPaciente), ln(guias::kProcedimento), tx(guias::kNroGuia),
          tx(guias::kMatriculaGuia)}},
        {std::u16string(procedimentos::kTable),
         {ln(procedimentos::kCounter), tx(procedimentos::kNomeProcedimento), tx(procedimentos::kCodigoAMB),
          tx(procedimentos::kMaterial)}},
        {std::u16string(textos::kTable),
         {ln(textos::kCounter), ln(textos::kPaciente), tx(textos::kNomeTexto), me(textos::kTexto)}},
    };
}

}  // namespace scandrel::db::writer
