#pragma once
// The host's patient database by name, for everyone who reads or writes it (the
// field decoder, the search, the writer, the demo clinic, the stand-in host, the
// command line): its seven tables and their columns, one namespace per table, and
// the shapes of the statements that read them. Names only: nothing here
// touches a file, and every layer may include it.
//
// Jet compares names without regard to case, so any spelling finds the column. The
// host's own code spells a few of them otherwise, and those spellings show in the
// statements sent and in the message of a missing column: they are kept here too, as
// the `...AsQueried` and `...AsRead` names.
#include <cstddef>
#include <string>
#include <string_view>

namespace scandrel::clinic {

using Name = std::u16string_view;

namespace detail {
// Whether two names are the same to Jet: equal but for the case of ASCII letters.
constexpr bool sameName(Name a, Name b) {
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}
}  // namespace detail

// The patients.
namespace pacientes {
inline constexpr Name kTable = u"Pacientes";
inline constexpr Name kCounter = u"Paci_ln_Counter";
inline constexpr Name kNomePaciente = u"Paci_tx_NomePaciente";
inline constexpr Name kDataNascimentoPaciente = u"Paci_dt_DataNascimentoPaciente";
inline constexpr Name kLeito = u"Paci_tx_Leito";
inline constexpr Name kMatriculaPaciente = u"Paci_tx_MatriculaPaciente";
inline constexpr Name kEstadoCivilPaciente = u"Paci_tx_EstadoCivilPaciente";
inline constexpr Name kCorPaciente = u"Paci_tx_CorPaciente";
inline constexpr Name kNaturalidadePaciente = u"Paci_tx_NaturalidadePaciente";
inline constexpr Name kGraudeInstrucaoPaciente = u"Paci_tx_GraudeInstrucaoPaciente";
inline constexpr Name kCPFPaciente = u"Paci_tx_CPFPaciente";
inline constexpr Name kProfissaoPaciente = u"Paci_tx_ProfissaoPaciente";
inline constexpr Name kDocumentoIdentidadePaciente = u"Paci_tx_DocumentoIdentidadePaciente";
inline constexpr Name kEmailMed = u"Paci_tx_EmailMed";
inline constexpr Name kEmail = u"Paci_tx_Email";
inline constexpr Name kEmailAlt = u"Paci_tx_EmailAlt";
inline constexpr Name kIndicadoPorPaciente = u"Paci_tx_IndicadoPorPaciente";
inline constexpr Name kLogradouroPaciente = u"Paci_tx_LogradouroPaciente";
inline constexpr Name kCidadePaciente = u"Paci_tx_CidadePaciente";
inline constexpr Name kComplementoPaciente = u"Paci_tx_ComplementoPaciente";
inline constexpr Name kBairroPaciente = u"Paci_tx_BairroPaciente";
inline constexpr Name kUFPaciente = u"Paci_tx_UFPaciente";
inline constexpr Name kCEPPaciente = u"Paci_tx_CEPPaciente";
inline constexpr Name kTelefonesPaciente = u"Paci_tx_TelefonesPaciente";
inline constexpr Name kSexoPaciente = u"Paci_tx_SexoPaciente";
inline constexpr Name kNaoAtivo = u"Paci_bo_NaoAtivo";
// Whose documents they are: the relationship codes of the CPF, the identity card,
// the driving licence and the work permit.
inline constexpr Name kPropCPF = u"Paci_by_PropCPF";
inline constexpr Name kPropID = u"Paci_by_PropID";
inline constexpr Name kPropCNH = u"Paci_by_PropCNH";
inline constexpr Name kPropCTrab = u"Paci_by_PropCTrab";
inline constexpr Name kSecCode = u"Paci_tx_SecCode";
inline constexpr Name kObservacoesPaciente = u"Paci_me_ObservacoesPaciente";
inline constexpr Name kAlert = u"Paci_me_Alert";
inline constexpr Name kProntuario = u"Paci_tx_Prontuario";
inline constexpr Name kConvenioPaciente = u"Paci_ln_ConvenioPaciente";  // Conv_ln_Counter of the plan

inline constexpr Name kCounterAsQueried = u"paci_ln_Counter";
inline constexpr Name kDataNascimentoAsQueried = u"paci_dt_datanascimentopaciente";
inline constexpr Name kPropCTrabAsRead = u"Paci_by_PropCtrab";
static_assert(detail::sameName(kCounterAsQueried, kCounter) &&
              detail::sameName(kDataNascimentoAsQueried, kDataNascimentoPaciente) &&
              detail::sameName(kPropCTrabAsRead, kPropCTrab));
}  // namespace pacientes

// Anamneses, several per patient.
namespace anamneses {
inline constexpr Name kTable = u"Anamneses";
inline constexpr Name kCounter = u"Anam_ln_Counter";
inline constexpr Name kPaciente = u"Anam_ln_Paciente";  // Paci_ln_Counter
inline constexpr Name kDataAnamnese = u"Anam_dt_DataAnamnese";
inline constexpr Name kPalavrasChave = u"Anam_me_PalavrasChave";
inline constexpr Name kDiagnostico1 = u"Anam_tx_Diagnostico1";
inline constexpr Name kDiagnostico2 = u"Anam_tx_Diagnostico2";
inline constexpr Name kTextoAnamnese = u"Anam_me_TextoAnamnese";
}  // namespace anamneses

// Consultations and follow-up visits, several per patient.
namespace consultas {
inline constexpr Name kTable = u"ConsultaseRetornos";
inline constexpr Name kCounter = u"Cons_ln_Counter";
inline constexpr Name kPaciente = u"Cons_ln_Paciente";  // Paci_ln_Counter
inline constexpr Name kDataConsultaRetorno = u"Cons_dt_DataConsultaRetorno";
inline constexpr Name kTextoConsultaRetorno = u"Cons_me_TextoConsultaRetorno";
}  // namespace consultas

// Insurance plans, shared between patients.
namespace convenios {
inline constexpr Name kTable = u"Convenios";
inline constexpr Name kCounter = u"Conv_ln_Counter";
inline constexpr Name kNomeConvenio = u"Conv_tx_NomeConvenio";
}  // namespace convenios

// Billing guides, several per patient, each naming a procedure.
namespace guias {
inline constexpr Name kTable = u"Guias";
inline constexpr Name kCounter = u"Guia_ln_Counter";
inline constexpr Name kPaciente = u"Guia_ln_Paciente";          // Paci_ln_Counter
inline constexpr Name kProcedimento = u"Guia_ln_Procedimento";  // PrEx_ln_Counter
inline constexpr Name kNroGuia = u"Guia_tx_NroGuia";
inline constexpr Name kMatriculaGuia = u"Guia_tx_MatriculaGuia";
}  // namespace guias

// Procedures and examinations, shared between guides.
namespace procedimentos {
inline constexpr Name kTable = u"ProcedimentosExames";
inline constexpr Name kCounter = u"PrEx_ln_Counter";
inline constexpr Name kNomeProcedimento = u"PrEx_tx_NomeProcedimento";
inline constexpr Name kCodigoAMB = u"PrEx_tx_CodigoAMB";
inline constexpr Name kMaterial = u"PrEx_tx_Material";
}  // namespace procedimentos

// Text documents, several per patient.
namespace textos {
inline constexpr Name kTable = u"Textos";
inline constexpr Name kCounter = u"Text_ln_Counter";
inline constexpr Name kPaciente = u"Text_ln_Paciente";  // Paci_ln_Counter
inline constexpr Name kNomeTexto = u"Text_tx_NomeTexto";
inline constexpr Name kTexto = u"Text_me_Texto";
}  // namespace textos

// The two statements the tables are read with: "SELECT * FROM `table` ORDER BY
// `column`", every row in that column's order, and "SELECT * FROM `table` WHERE
// `column` = ", the rows of a number, which follows it when it is sent.
inline std::u16string selectOrderedBy(Name table, Name column) {
    std::u16string sql = u"SELECT * FROM ";
    sql += table;
    sql += u" ORDER BY ";
    sql += column;
    return sql;
}

inline std::u16string selectWhereEquals(Name table, Name column) {
    std::u16string sql = u"SELECT * FROM ";
    sql += table;
    sql += u" WHERE ";
    sql += column;
    sql += u" = ";
    return sql;
}

}  // namespace scandrel::clinic
