// Why a patient matched: where each word was found, read from clinic databases
// written for each test, and the reasons a search run gives its rows.
#include "search/match_reasons.h"

#include <optional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "search/patient_text.h"
#include "search/plain_text_buffer.h"
#include "search/search_controller.h"
#include "testing/recording_view.h"
#include "testing/test_clinic.h"
#include "text/utf.h"

namespace scandrel::search::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

class MatchReasons : public ClinicTest {
protected:
    SourcedText sourcesOf(int32_t counter) {
        const auto database = finishedClinic();
        const auto patients = patientRow(database, counter);
        PlainTextBuffer buffer;
        PatientTextBuilder builder(database, patients, buffer);
        return builder.buildWithSources();
    }

    // The one found word for `word` in the patient's text.
    FoundWord found(int32_t counter, const std::u16string& word) {
        const auto all = findWords(sourcesOf(counter), {word});
        EXPECT_THAT(all, SizeIs(1)) << toUtf8(word);
        return all.empty() ? FoundWord{} : all.front();
    }
};

TEST_F(MatchReasons, EachWordIsTracedToItsRowWithTheRowsDateOrToItsMemo) {
    const int32_t plan = add(kConvenios, {{u"Conv_tx_NomeConvenio", text(u"UNIMED")}});
    const int32_t xray = add(kProcedimentosExames, {{u"PrEx_tx_NomeProcedimento", text(u"RAIO X")}});
    const int32_t p = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"JOSÉ PEREIRA")},
                                       {u"Paci_tx_CidadePaciente", text(u"Campinas")},
                                       {u"Paci_me_ObservacoesPaciente", text(u"usa marca-passo")},
                                       {u"Paci_me_Alert", text(u"alérgico a dipirona")},
                                       {u"Paci_ln_ConvenioPaciente", number(plan)}});
    add(kAnamneses, {{u"Anam_ln_Paciente", number(p)}, {u"Anam_tx_Diagnostico1", text(u"Hipertensão")},
                     {u"Anam_me_PalavrasChave", text(u"cardiopatia")},
                     {u"Anam_me_TextoAnamnese", text(u"crises de asma desde a infância")},
                     {u"Anam_dt_DataAnamnese", date(2003, 8, 15)}});
    add(kConsultaseRetornos, {{u"Cons_ln_Paciente", number(p)}, {u"Cons_dt_DataConsultaRetorno", date(2021, 3, 2)},
                              {u"Cons_me_TextoConsultaRetorno",
                               text(u"{\\rtf1\\ansi Retorno: {\\b bronquite} controlada.\\par}")}});
    add(kGuias, {{u"Guia_ln_Paciente", number(p)}, {u"Guia_ln_Procedimento", number(xray)},
                 {u"Guia_tx_NroGuia", text(u"G-4711")}});
    add(kTextos, {{u"Text_ln_Paciente", number(p)}, {u"Text_tx_NomeTexto", text(u"Receita")},
                  {u"Text_me_Texto", text(u"tomar losartana")}});

    const auto all = findWords(sourcesOf(p), {u"campinas", u"hipertensao", u"bronquite", u"unimed", u"g-4711",
                                               u"raio", u"receita", u"losartana", u"marca-passo", u"dipirona",
                                               u"cardiopatia", u"asma", u"15/08/2003"});
    std::vector<std::u16string> sources;
    for (const FoundWord& f : all) sources.push_back(f.source);
    EXPECT_THAT(sources, ElementsAre(u"Cadastro do paciente", u"Anamnese de 15/08/2003", u"Consulta de 02/03/2021",
                                     u"Convênio", u"Guia", u"Procedimento da guia", u"Texto «Receita»",
                                     u"Texto «Receita»", u"Observações do paciente", u"Alerta do paciente",
                                     u"Anamnese de 15/08/2003 (palavras-chave)", u"Anamnese de 15/08/2003 (texto)",
                                     u"Anamnese de 15/08/2003"));
    // A rich-text memo shows its characters, not its markup.
    EXPECT_EQ(all[2].excerpt, u"Retorno: [bronquite] controlada.");
    EXPECT_EQ(all[11].excerpt, u"crises de [asma] desde a infância");
}

TEST_F(MatchReasons, ExcerptsAreAsWrittenShortAndCutAtSpaces) {
    const int32_t p = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"JOÃO   DA CONCEIÇÃO")},
                                       {u"Paci_me_ObservacoesPaciente",
                                        text(u"Paciente relata que desde o ano passado sente falta de ar ao subir "
                                             u"escadas e tem tosse seca à noite, sem febre.")}});
    // Accents and case as written; spaces as one.
    EXPECT_EQ(found(p, u"conceicao").excerpt, u"JOÃO DA [CONCEIÇÃO]");
    EXPECT_EQ(found(p, u"joao").excerpt, u"[JOÃO] DA CONCEIÇÃO");

    const FoundWord air = found(p, u"ar");
    EXPECT_EQ(air.excerpt, u"…passado sente falta de [ar] ao subir escadas e tem…");
    EXPECT_TRUE(air.longerWord.empty());
    EXPECT_LE(air.excerpt.size(), 2 * kExcerptContext + 2 + 2 + 2);
    EXPECT_EQ(reasonLine(air), u"ar — Observações do paciente: «…passado sente falta de [ar] ao subir "
                               u"escadas e tem…»");
}

TEST_F(MatchReasons, AWordInsideALongerWordIsShownInItUnlessItStandsAloneElsewhere) {
    const int32_t mariana = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"MARIANA SOUZA")}});
    const int32_t both = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"MARIANA SOUZA")},
                                          {u"Paci_me_Alert", text(u"filha: Ana")}});
    const FoundWord inside = found(mariana, u"ana");
    EXPECT_EQ(inside.excerpt, u"MARI[ANA] SOUZA");
    EXPECT_EQ(inside.longerWord, u"MARIANA");
    EXPECT_EQ(reasonLine(inside), u"ana — Cadastro do paciente: «MARI[ANA] SOUZA» (parte de «MARIANA»)");

    const FoundWord alone = found(both, u"ana");
    EXPECT_EQ(alone.source, u"Alerta do paciente");
    EXPECT_EQ(alone.excerpt, u"filha: [Ana]");
    EXPECT_TRUE(alone.longerWord.empty());
}

TEST_F(MatchReasons, AWordAcrossTwoValuesShowsTheJoin) {
    const int32_t p = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"MARIA DA SILVA")},
                                       {u"Paci_tx_Leito", text(u"12")}});
    const int32_t q = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"ANA SILVA")}, {u"Paci_tx_Leito", text(u"1")},
                                       {u"Paci_me_Alert", text(u"ver silva12")}});
    const FoundWord across = found(p, u"silva12");
    EXPECT_TRUE(across.acrossValues);
    EXPECT_EQ(across.excerpt, u"MARIA DA [SILVA | 12]");
    EXPECT_EQ(reasonLine(across), u"silva12 — Cadastro do paciente: «MARIA DA [SILVA | 12]» (entre dois campos)");
    // The same word within one value is preferred.
    EXPECT_EQ(found(q, u"silva1").source, u"Alerta do paciente");
}

TEST_F(MatchReasons, WordsAreExplainedOnceInTypedOrderAndLinesAreFew) {
    const int32_t p = add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"ANA BEATRIZ CARLA DIAS")}});
    const auto all = findWords(sourcesOf(p), {u"dias", u"", u"ana", u"dias", u"zzz", u"beatriz", u"carla"});
    std::vector<std::u16string> words;
    for (const FoundWord& f : all) words.push_back(f.word);
    EXPECT_THAT(words, ElementsAre(u"dias", u"ana", u"beatriz", u"carla"));
    EXPECT_THAT(reasonLines(all), SizeIs(kMaxReasonLines));

    // A long typed word is cut as its excerpt is: a row's text stays small.
    FoundWord longWord = all.front();
    longWord.word = std::u16string(1000, u'x');
    EXPECT_LT(reasonLine(longWord).size(), 2 * kExcerptWord + 40);

    std::vector<FoundWord> many(kMaxReasonLines + 2, all.front());
    const auto lines = reasonLines(many);
    ASSERT_THAT(lines, SizeIs(kMaxReasonLines));
    EXPECT_EQ(lines.back(), u"… e mais 3 palavras");
}

TEST_F(MatchReasons, ARunGivesReasonsToItsRowsOnlyWhenAsked) {
    add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"ANA LIMA")}, {u"Paci_me_Alert", text(u"asma grave")}});
    add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"BRUNO COSTA")}});
    finishedClinic();
    RecordingView view;
    PlainTextBuffer buffer;
    SearchController controller(view, buffer);
    controller.setDbName(fromUtf8(file.string()));
    view.box = u"Asma";
    controller.cxFind_Click();
    ASSERT_THAT(view.rows, SizeIs(1));
    EXPECT_THAT(controller.reasonsAt(0), IsEmpty());

    controller.setExplainMatches(true);
    controller.cxFind_Click();
    ASSERT_THAT(view.rows, SizeIs(1));
    EXPECT_THAT(controller.reasonsAt(0), ElementsAre(u"asma — Alerta do paciente: «[asma] grave»"));
    EXPECT_THAT(controller.reasonsAt(1), IsEmpty());
    EXPECT_THAT(controller.reasonsAt(-1), IsEmpty());

    // Spaces alone list everyone with nothing to explain.
    view.box = u"  ";
    controller.cxFind_Click();
    ASSERT_THAT(view.rows, SizeIs(2));
    EXPECT_THAT(controller.reasonsAt(0), IsEmpty());
}

// The columns of the labels are looked up once a run: each patient's rows still
// show their own dates and titles.
TEST_F(MatchReasons, EveryPatientOfARunHasTheDatesAndTitlesOfItsOwnRows) {
    for (int i = 0; i < 3; ++i) {
        const std::u16string day = fromUtf8(std::to_string(10 + i));
        const int32_t p = add(kPacientes, {{u"Paci_tx_NomePaciente", Value::text(u"PACIENTE " + day)}});
        add(kAnamneses, {{u"Anam_ln_Paciente", number(p)}, {u"Anam_tx_Diagnostico1", text(u"asma")},
                         {u"Anam_dt_DataAnamnese", date(2003, 8, 10 + i)}});
        add(kTextos, {{u"Text_ln_Paciente", number(p)}, {u"Text_tx_NomeTexto", Value::text(u"Receita " + day)},
                      {u"Text_me_Texto", text(u"losartana")}});
    }
    finishedClinic();
    RecordingView view;
    PlainTextBuffer buffer;
    SearchController controller(view, buffer);
    controller.setDbName(fromUtf8(file.string()));
    controller.setExplainMatches(true);
    view.box = u"asma losartana";
    controller.cxFind_Click();
    ASSERT_THAT(view.rows, SizeIs(3));
    for (int i = 0; i < 3; ++i) {
        const std::u16string day = fromUtf8(std::to_string(10 + i));
        EXPECT_THAT(controller.reasonsAt(i),
                    ElementsAre(u"asma — Anamnese de " + day + u"/08/2003: «[asma]»",
                                u"losartana — Texto «Receita " + day + u"»: «[losartana]»"))
            << i;
    }
}

}  // namespace
}  // namespace scandrel::search::testing
