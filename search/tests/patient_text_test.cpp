// The search text of a patient, built from a clinic database written for each test.
#include "search/patient_text.h"

#include <optional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "search/plain_text_buffer.h"
#include "testing/test_clinic.h"
#include "text/lower_case.h"
#include "text/utf.h"

namespace scandrel::search::testing {
namespace {

using ::testing::Not;

class PatientText : public ClinicTest {
protected:
    std::u16string textOf(int32_t counter) {
        const auto database = finishedClinic();
        const auto patients = patientRow(database, counter);
        PlainTextBuffer buffer;
        return BuildPatientText(database, patients, buffer);
    }
};

TEST_F(PatientText, PatientWithOnlyNameCivilStateAndSex) {
    const int32_t ana = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"ANA LIMA")},
                                         {u"Paci_tx_EstadoCivilPaciente", text(u"C")},
                                         {u"Paci_tx_SexoPaciente", text(u"F")}});
    // Null fields give single spaces, which normalisation folds; the decoded words
    // follow the last field without a separator.
    EXPECT_EQ(textOf(ana), u"ANA LIMA C femininocasado casadaativo ativa");
}

TEST_F(PatientText, EveryPartInItsPlaceWithoutSeparators) {
    const int32_t plan = add(kConvenios, {{u"Conv_tx_NomeConvenio", text(u"UNIMED")}});
    const int32_t xray = add(kProcedimentosExames, {{u"PrEx_tx_NomeProcedimento", text(u"RAIO X")},
                                                    {u"PrEx_tx_CodigoAMB", text(u"AMB1")},
                                                    {u"PrEx_tx_Material", text(u"filme")}});
    const int32_t scan = add(kProcedimentosExames, {{u"PrEx_tx_NomeProcedimento", text(u"TOMOGRAFIA")}});
    const int32_t jose = add(
        kPacientes,
        {{u"Paci_tx_NomePaciente", text(u"JOSE")}, {u"Paci_tx_Leito", text(u"L1")},
         {u"Paci_tx_MatriculaPaciente", text(u"M2")}, {u"Paci_tx_EstadoCivilPaciente", text(u"S")},
         {u"Paci_tx_CorPaciente", text(u"C4")}, {u"Paci_tx_NaturalidadePaciente", text(u"N5")},
         {u"Paci_tx_GraudeInstrucaoPaciente", text(u"G6")}, {u"Paci_tx_CPFPaciente", text(u"P7")},
         {u"Paci_tx_ProfissaoPaciente", text(u"O8")}, {u"Paci_tx_DocumentoIdentidadePaciente", text(u"D9")},
         {u"Paci_tx_EmailMed", text(u"e10")}, {u"Paci_tx_Email", text(u"e11")},
         {u"Paci_tx_EmailAlt", text(u"e12")}, {u"Paci_tx_IndicadoPorPaciente", text(u"I13")},
         {u"Paci_tx_LogradouroPaciente", text(u"R14")}, {u"Paci_tx_CidadePaciente", text(u"C15")},
         {u"Paci_tx_ComplementoPaciente", text(u"X16")}, {u"Paci_tx_BairroPaciente", text(u"B17")},
         {u"Paci_tx_UFPaciente", text(u"U18")}, {u"Paci_tx_CEPPaciente", text(u"Z19")},
         {u"Paci_tx_TelefonesPaciente", text(u"T20")}, {u"Paci_tx_SexoPaciente", text(u"M")},
         {u"Paci_bo_NaoAtivo", Value::boolean(true)}, {u"Paci_by_PropCPF", code(1)},
         {u"Paci_by_PropID", code(16)}, {u"Paci_by_PropCNH", code(0)}, {u"Paci_by_PropCtrab", code(3)},
         {u"Paci_tx_SecCode", text(u"SC")}, {u"Paci_me_ObservacoesPaciente", text(u"obs")},
         {u"Paci_me_Alert", text(u"alerta")}, {u"Paci_tx_Prontuario", text(u"PR")},
         {u"Paci_ln_ConvenioPaciente", number(plan)}});
    const int32_t other = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"OUTRO")}});

    add(kAnamneses, {{u"Anam_ln_Paciente", number(jose)}, {u"Anam_me_PalavrasChave", text(u"chave1")},
                     {u"Anam_tx_Diagnostico1", text(u"D1a")}, {u"Anam_tx_Diagnostico2", text(u"D2a")},
                     {u"Anam_me_TextoAnamnese", text(u"anam1")}, {u"Anam_dt_DataAnamnese", date(2003, 8, 15)}});
    add(kAnamneses, {{u"Anam_ln_Paciente", number(other)}, {u"Anam_tx_Diagnostico1", text(u"ALHEIO")}});
    add(kAnamneses, {{u"Anam_ln_Paciente", number(jose)}, {u"Anam_me_PalavrasChave", text(u"chave2")},
                     {u"Anam_tx_Diagnostico1", text(u"D1b")}, {u"Anam_me_TextoAnamnese", text(u"anam2")}});
    add(kConsultaseRetornos, {{u"Cons_ln_Paciente", number(jose)},
                              {u"Cons_me_TextoConsultaRetorno", text(u"consulta1")}});
    add(kConsultaseRetornos, {{u"Cons_ln_Paciente", number(other)},
                              {u"Cons_me_TextoConsultaRetorno", text(u"ALHEIA")}});
    add(kGuias, {{u"Guia_ln_Paciente", number(jose)}, {u"Guia_ln_Procedimento", number(xray)},
                 {u"Guia_tx_NroGuia", text(u"G100")}, {u"Guia_tx_MatriculaGuia", text(u"GM1")}});
    add(kGuias, {{u"Guia_ln_Paciente", number(jose)}, {u"Guia_ln_Procedimento", number(scan)},
                 {u"Guia_tx_NroGuia", text(u"G200")}, {u"Guia_tx_MatriculaGuia", text(u"GM2")}});
    add(kTextos, {{u"Text_ln_Paciente", number(jose)}, {u"Text_tx_NomeTexto", text(u"receita")},
                  {u"Text_me_Texto", text(u"tome agua")}});

    // Patient fields; decoded sex, civil state, activity; relationship codes (none for 0);
    // then per anamnesis its diagnoses and date (a null second diagnosis is a space, a
    // null date nothing); plan; all guides; the first guide's procedure only; text
    // names; and last the memos in the order they were met.
    EXPECT_EQ(textOf(jose),
              u"JOSEL1M2SC4N5G6P7O8D9e10e11e12I13R14C15X16B17U18Z19T20"
              u"masculinosolteiro solteirainativo inativa"
              u"o proprio pacienteoutro responsavelmae do paciente"
              u"SCPR"
              u"D1aD2a15/08/2003D1b "
              u"UNIMED"
              u"G100GM1G200GM2"
              u"RAIO XAMB1filme"
              u"receita"
              u"obsalertachave1anam1chave2anam2consulta1tome agua");
}

// Related rows are found by the patient they name, not by their own numbers: the
// rows of another patient come first, so no related row's counter equals its
// patient's, and each of them names the counter of some patient.
TEST_F(PatientText, RelatedRowsAreThoseThatNameThePatient) {
    const int32_t ana = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"ANA")}});
    const int32_t bia = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"BIA")}});
    const int32_t xray = add(kProcedimentosExames, {{u"PrEx_tx_NomeProcedimento", text(u"RAIO X")}});
    const int32_t scan = add(kProcedimentosExames, {{u"PrEx_tx_NomeProcedimento", text(u"TOMOGRAFIA")}});
    for (const char16_t* n : {u"1", u"2", u"3"}) {
        const std::u16string bias = std::u16string(u"bia") + n;
        add(kAnamneses, {{u"Anam_ln_Paciente", number(bia)}, {u"Anam_me_TextoAnamnese", text((u"anam" + bias).c_str())}});
        add(kConsultaseRetornos, {{u"Cons_ln_Paciente", number(bia)},
                                  {u"Cons_me_TextoConsultaRetorno", text((u"cons" + bias).c_str())}});
        add(kGuias, {{u"Guia_ln_Paciente", number(bia)}, {u"Guia_ln_Procedimento", number(scan)},
                     {u"Guia_tx_NroGuia", text((u"guia" + bias).c_str())}});
        add(kTextos, {{u"Text_ln_Paciente", number(bia)}, {u"Text_tx_NomeTexto", text((u"texto" + bias).c_str())}});
    }
    add(kAnamneses, {{u"Anam_ln_Paciente", number(ana)}, {u"Anam_me_TextoAnamnese", text(u"anamana")}});
    add(kConsultaseRetornos, {{u"Cons_ln_Paciente", number(ana)}, {u"Cons_me_TextoConsultaRetorno", text(u"consana")}});
    add(kGuias, {{u"Guia_ln_Paciente", number(ana)}, {u"Guia_ln_Procedimento", number(xray)},
                 {u"Guia_tx_NroGuia", text(u"guiaana")}});
    add(kTextos, {{u"Text_ln_Paciente", number(ana)}, {u"Text_tx_NomeTexto", text(u"textoana")}});

    const auto a = textOf(ana);
    for (const char16_t* own : {u"anamana", u"consana", u"guiaana", u"textoana", u"RAIO X"}) EXPECT_THAT(a, Holds(own));
    for (const char16_t* other : {u"bia", u"TOMOGRAFIA"}) EXPECT_THAT(a, Not(Holds(other)));
}

TEST_F(PatientText, MissingRecordNumbersLookForNumberZero) {
    // A plan numbered 0 exists only to show what a null plan number asks for.
    add(kConvenios, {{u"Conv_ln_Counter", number(0)}, {u"Conv_tx_NomeConvenio", text(u"PLANO ZERO")}});
    add(kConvenios, {{u"Conv_ln_Counter", number(7)}, {u"Conv_tx_NomeConvenio", text(u"PLANO SETE")}});
    const int32_t noPlan = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"SEM PLANO")}});
    const int32_t unknownPlan = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"PLANO INEXISTENTE")},
                                                 {u"Paci_ln_ConvenioPaciente", number(99)}});
    // Guides without a usable procedure still put their number and registration in.
    add(kGuias, {{u"Guia_ln_Paciente", number(unknownPlan)}, {u"Guia_tx_NroGuia", text(u"G1")},
                 {u"Guia_tx_MatriculaGuia", text(u"MAT1")}});
    add(kGuias, {{u"Guia_ln_Paciente", number(noPlan)}, {u"Guia_ln_Procedimento", number(42)},
                 {u"Guia_tx_NroGuia", text(u"G2")}, {u"Guia_tx_MatriculaGuia", text(u"MAT2")}});

    const auto a = textOf(noPlan);
    EXPECT_THAT(a, Holds(u"PLANO ZERO"));
    EXPECT_THAT(a, Holds(u"G2MAT2"));
    EXPECT_THAT(a, Not(Holds(u"SETE")));
    const auto b = textOf(unknownPlan);
    EXPECT_THAT(b, Not(Holds(u"PLANO Z")));
    EXPECT_THAT(b, Holds(u"G1MAT1"));
}

// Record numbers are looked up with their sign.
TEST_F(PatientText, NegativeRecordNumbersFindTheirOwnRows) {
    add(kConvenios, {{u"Conv_ln_Counter", number(5)}, {u"Conv_tx_NomeConvenio", text(u"PLANO CINCO")}});
    add(kConvenios, {{u"Conv_ln_Counter", number(-5)}, {u"Conv_tx_NomeConvenio", text(u"PLANO MENOS CINCO")}});
    const int32_t p = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"P")}, {u"Paci_ln_ConvenioPaciente", number(-5)}});
    const auto t = textOf(p);
    EXPECT_THAT(t, Holds(u"PLANO MENOS CINCO"));
    EXPECT_THAT(t, Not(Holds(u"PLANO CINCO")));
}

TEST_F(PatientText, DatesCodesAndCivilStates) {
    const int32_t p = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"P")},
                                       {u"Paci_tx_EstadoCivilPaciente", text(u"c")},
                                       {u"Paci_by_PropCtrab", code(3)},
                                       {u"Paci_by_PropCPF", code(17)}});
    add(kAnamneses, {{u"Anam_ln_Paciente", number(p)}, {u"Anam_dt_DataAnamnese", date(1000, 1, 1)}});
    const int32_t q = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"Q")}});

    // An unknown civil-state letter stays as it is, as letter and as "words"; work
    // permit code 3 (read as "PropCtrab") is decoded, code 17 gives nothing; the
    // placeholder date 01/01/1000 is not filtered out of the text.
    EXPECT_EQ(textOf(p), u"P c cativo ativamae do paciente 01/01/1000");
    // No civil state at all is not an error: no letter, no words.
    EXPECT_EQ(textOf(q), u"Q ativo ativa");
}

TEST_F(PatientText, RichTextMemosGiveOnlyTheirCharacters) {
    const int32_t p = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"P")},
                                       {u"Paci_me_ObservacoesPaciente",
                                        text(u"{\\rtf1\\ansi\\deff0 {\\fonttbl{\\f0 Arial;}}{\\b alergia} a "
                                             u"dipirona\\par}")}});
    const auto t = textOf(p);
    EXPECT_THAT(t, Holds(u"alergia a dipirona"));
    EXPECT_THAT(t, Not(Holds(u"rtf")));
    EXPECT_THAT(t, Not(Holds(u"Arial")));
    EXPECT_THAT(t, Not(Holds(u"\\")));
}

TEST_F(PatientText, LowerCaseFormIsTheTextLowerCased) {
    const int32_t p = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"JOÃO  DA SILVA")},
                                       {u"Paci_tx_CidadePaciente", text(u"SÃO PAULO")},
                                       {u"Paci_tx_EstadoCivilPaciente", text(u"C")},
                                       {u"Paci_me_Alert", text(u"{\\rtf1 AL\\'c9RGICO \\'c0 DIPIRONA \\'c8\\par}")}});
    const auto database = finishedClinic();
    const auto patients = patientRow(database, p);
    PlainTextBuffer buffer;
    PatientTextBuilder builder(database, patients, buffer);
    std::u16string expected = builder.build();
    text::toLowerInPlace(expected);
    EXPECT_EQ(builder.buildLowerCase(), expected);
    EXPECT_THAT(expected, Holds(u"joao da silva"));
    EXPECT_THAT(expected, Holds(u"sao paulo"));
    EXPECT_THAT(expected, Holds(u"alergico a dipirona \u00E8"));  // È is not in the table
}

}  // namespace
}  // namespace scandrel::search::testing
