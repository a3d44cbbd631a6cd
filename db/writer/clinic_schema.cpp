#include "db/writer/clinic_schema.h"

namespace scandrel::db::writer {
namespace {

using T = ColumnType;

ColumnDef tx(const char16_t* name) { return {name, T::Text, 255}; }
ColumnDef me(const char16_t* name) { return {name, T::Memo}; }
ColumnDef ln(const char16_t* name) { return {name, T::Long}; }
ColumnDef dt(const char16_t* name) { return {name, T::DateTime}; }
ColumnDef bo(const char16_t* name) { return {name, T::Boolean}; }
ColumnDef by(const char16_t* name) { return {name, T::Byte}; }

}  // namespace

std::vector<TableDef> clinicTables() {
    return {
        {u"Pacientes",
         {ln(u"Paci_ln_Counter"), tx(u"Paci_tx_NomePaciente"), dt(u"Paci_dt_DataNascimentoPaciente"),
          tx(u"Paci_tx_Leito"), tx(u"Paci_tx_MatriculaPaciente"), tx(u"Paci_tx_EstadoCivilPaciente"),
          tx(u"Paci_tx_CorPaciente"), tx(u"Paci_tx_NaturalidadePaciente"),
          tx(u"Paci_tx_GraudeInstrucaoPaciente"), tx(u"Paci_tx_CPFPaciente"), tx(u"Paci_tx_ProfissaoPaciente"),
          tx(u"Paci_tx_DocumentoIdentidadePaciente"), tx(u"Paci_tx_EmailMed"), tx(u"Paci_tx_Email"),
          tx(u"Paci_tx_EmailAlt"), tx(u"Paci_tx_IndicadoPorPaciente"), tx(u"Paci_tx_LogradouroPaciente"),
          tx(u"Paci_tx_CidadePaciente"), tx(u"Paci_tx_ComplementoPaciente"), tx(u"Paci_tx_BairroPaciente"),
          tx(u"Paci_tx_UFPaciente"), tx(u"Paci_tx_CEPPaciente"), tx(u"Paci_tx_TelefonesPaciente"),
          tx(u"Paci_tx_SexoPaciente"), bo(u"Paci_bo_NaoAtivo"), by(u"Paci_by_PropCPF"), by(u"Paci_by_PropID"),
          by(u"Paci_by_PropCNH"), by(u"Paci_by_PropCTrab"), tx(u"Paci_tx_SecCode"),
          me(u"Paci_me_ObservacoesPaciente"), me(u"Paci_me_Alert"), tx(u"Paci_tx_Prontuario"),
          ln(u"Paci_ln_ConvenioPaciente")}},
        {u"Anamneses",
         {ln(u"Anam_ln_Counter"), ln(u"Anam_ln_Paciente"), dt(u"Anam_dt_DataAnamnese"),
          me(u"Anam_me_PalavrasChave"), tx(u"Anam_tx_Diagnostico1"), tx(u"Anam_tx_Diagnostico2"),
          me(u"Anam_me_TextoAnamnese")}},
        {u"ConsultaseRetornos",
         {ln(u"Cons_ln_Counter"), ln(u"Cons_ln_Paciente"), dt(u"Cons_dt_DataConsultaRetorno"),
          me(u"Cons_me_TextoConsultaRetorno")}},
        {u"Convenios", {ln(u"Conv_ln_Counter"), tx(u"Conv_tx_NomeConvenio")}},
        {u"Guias",
         {ln(u"Guia_ln_Counter"), ln(u"Guia_ln_Paciente"), ln(u"Guia_ln_Procedimento"),
          tx(u"Guia_tx_NroGuia"), tx(u"Guia_tx_MatriculaGuia")}},
        {u"ProcedimentosExames",
         {ln(u"PrEx_ln_Counter"), tx(u"PrEx_tx_NomeProcedimento"), tx(u"PrEx_tx_CodigoAMB"),
          tx(u"PrEx_tx_Material")}},
        {u"Textos",
         {ln(u"Text_ln_Counter"), ln(u"Text_ln_Paciente"), tx(u"Text_tx_NomeTexto"), me(u"Text_me_Texto")}},
    };
}

}  // namespace scandrel::db::writer
