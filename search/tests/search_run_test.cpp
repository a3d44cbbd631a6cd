// The search run of one window, against clinic databases written for each test and
// a view that records what the run does to the window.
#include "search/search_controller.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <new>
#include <optional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "db/jet/byte_source.h"
#include "search/plain_text_buffer.h"
#include "testing/recording_view.h"
#include "testing/test_clinic.h"
#include "testing/threads_running.h"
#include "testing/waiting_source.h"
#include "text/error.h"
#include "text/utf.h"

namespace scandrel::search::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

constexpr char16_t kNoneFound[] = u"Pesquisa concluída. Não foram encontradas ocorrências para sua pesquisa.";

// Every case runs with the patients built on the window's thread (0), and by the
// run's worker one and many patients ahead.
class SearchRun : public ::testing::TestWithParam<size_t> {
protected:
    TempDir dir;
    fs::path file = dir / "clínica ação.mdb";
    std::optional<ClinicWriter> clinic{std::in_place, file};
    RecordingView view;
    PlainTextBuffer buffer;
    SearchController controller{view, buffer, [] { return 36000.0f; }};
    std::map<int32_t, std::u16string> names;

    SearchRun() {
        controller.setDbName(fromUtf8(file.string()));
        controller.setPatientsAhead(GetParam());
    }

    int32_t patient(const char16_t* name, ClinicRow row = {}) {
        if (name != nullptr) row.emplace_back(u"Paci_tx_NomePaciente", text(name));
        const int32_t counter = clinic->add(kPacientes, row);
        if (name != nullptr) names[counter] = name;
        return counter;
    }
    void patients(std::initializer_list<const char16_t*> list) {
        for (const char16_t* name : list) patient(name);
    }

    void search(SearchController& c, RecordingView& v, const std::u16string& typed) {
        if (clinic) {
            clinic->finish();
            clinic.reset();
        }
        v.box = typed;
        c.cxFind_Click();
    }
    void search(const std::u16string& typed) { search(controller, view, typed); }

    // Every listed row opens the patient it shows.
    void expectRowsOpenTheirPatients(const SearchController& c, const RecordingView& v) {
        ASSERT_EQ(c.resultIds().size(), v.rows.size());
        for (size_t i = 0; i < v.rows.size(); ++i) {
            const auto id = c.patientAt(static_cast<int>(i));
            ASSERT_TRUE(id.has_value());
            EXPECT_EQ(v.rows[i].substr(0, names[*id].size()), names[*id]) << "row " << i;
        }
    }
    void expectIdle() {
        EXPECT_FALSE(view.cancelVisible);
        EXPECT_FALSE(view.locked);
        EXPECT_TRUE(view.findEnabled);
        EXPECT_EQ(view.progress, 0);
        EXPECT_FALSE(controller.running());
        EXPECT_EQ(controller.resultCount(), 0);
    }
    long count(const std::string& call) const { return std::count(view.calls.begin(), view.calls.end(), call); }
};

TEST_P(SearchRun, PreparesTheWindowScansAndRestoresItInOrder) {
    const int32_t maria = patient(u"MARIA DA SILVA", {{u"Paci_dt_DataNascimentoPaciente", date(1961, 3, 7)}});
    search(u"Maria");
    EXPECT_THAT(view.calls,
                ElementsAre("find 0", "lock 1", "clear", "progress 0",
                            "status Pesquisando... 0 resultados encontrados.", "cancel 1", "box maria",
                            "append MARIA DA SILVA (Nascimento: 07/03/1961)", "yield", "progress 100",
                            "status Pesquisando... (1/1, 100%)",
                            "status Pesquisando... (1/1, 100%). 0 segundos restantes.",
                            "status Pesquisa concluída. Foi encontrado 1 resultado.", "cancel 0", "lock 0",
                            "find 1", "progress 0"));
    EXPECT_THAT(controller.resultIds(), ElementsAre(maria));
    EXPECT_EQ(controller.lastOutcome(), RunOutcome::Completed);
    expectIdle();
}

TEST_P(SearchRun, EmptyBoxOpensNoDatabase) {
    controller.setDbName(fromUtf8((dir / "nao-existe.mdb").string()));
    search(u"");
    EXPECT_THAT(view.calls, ElementsAre("find 0", "lock 1", "clear", "progress 0",
                                        "status Pesquisando... 0 resultados encontrados.", "cancel 1",
                                        "status É necessário digitar algo no campo de busca.", "cancel 0",
                                        "lock 0", "find 1", "progress 0"));
    EXPECT_EQ(controller.lastOutcome(), RunOutcome::EmptySearchText);
}

TEST_P(SearchRun, MatchingRulesAndCompletionMessages) {
    patient(u"PEDRO SILVA", {{u"Paci_tx_Leito", text(u"12")}});
    patient(u"JOÃO DA SILVA");
    patient(u"MARIANA SOUZA");
    patient(u"ANA LIMA", {{u"Paci_tx_EstadoCivilPaciente", text(u"C")}});
    patient(u"JOANA PEREIRA");

    // Spaces alone: one empty word, found in every patient; rows in name order.
    search(u"   ");
    EXPECT_EQ(view.box, u"");
    ASSERT_EQ(view.rows.size(), 5u);
    EXPECT_EQ(view.rows.front(), u"ANA LIMA");
    EXPECT_EQ(view.caption, u"Pesquisa concluída. Foram encontrados 5 resultados.");
    expectRowsOpenTheirPatients(controller, view);

    // Both sides lose case and accents; the box shows the words as searched; any order.
    search(u"Joã  SILVA");
    EXPECT_EQ(view.box, u"joa silva");
    EXPECT_THAT(view.rows, ElementsAre(u"JOÃO DA SILVA"));
    EXPECT_EQ(view.caption, u"Pesquisa concluída. Foi encontrado 1 resultado.");
    search(u"silva joao");
    EXPECT_THAT(view.rows, ElementsAre(u"JOÃO DA SILVA"));

    // Inside longer words, and across the join of two values.
    search(u"ana");
    EXPECT_THAT(view.rows, ElementsAre(u"ANA LIMA", u"JOANA PEREIRA", u"MARIANA SOUZA"));
    search(u"silva12");
    EXPECT_THAT(view.rows, ElementsAre(u"PEDRO SILVA"));
    search(u"casadaativo");
    EXPECT_THAT(view.rows, ElementsAre(u"ANA LIMA"));

    search(u"silva ortopedia");
    EXPECT_THAT(view.rows, IsEmpty());
    EXPECT_EQ(view.caption, kNoneFound);
}

TEST_P(SearchRun, BirthDatesAndMissingNames) {
    const ClinicRow bed = {{u"Paci_tx_Leito", text(u"x1")}};
    const auto born = [&](int y, int m, int d) {
        ClinicRow row = bed;
        row.emplace_back(u"Paci_dt_DataNascimentoPaciente", date(y, m, d));
        return row;
    };
    patient(u"DATADA", born(1961, 3, 7));
    patient(u"SEM DATA", bed);
    patient(u"PLACEHOLDER", born(1000, 1, 1));
    patient(nullptr, born(1990, 2, 2));
    // No name and no usable birth date: listed with an empty name, the run goes on.
    patient(nullptr, bed);
    patient(nullptr, born(1000, 1, 1));
    search(u"x1");
    EXPECT_THAT(view.rows, UnorderedElementsAre(u"DATADA (Nascimento: 07/03/1961)", u"SEM DATA", u"PLACEHOLDER",
                                                u" (Nascimento: 02/02/1990)", u"", u""));
    EXPECT_THAT(view.messages, IsEmpty());
    EXPECT_EQ(view.caption, u"Pesquisa concluída. Foram encontrados 6 resultados.");
}

TEST_P(SearchRun, CancelStopsAfterThePatientAtHand) {
    EXPECT_EQ(controller.patientAt(0), std::nullopt);  // before any search
    patients({u"A1", u"A2", u"A3", u"A4", u"A5"});
    view.onYield = [&](int yield) {
        if (yield == 2) controller.cxCancel_Click();
    };
    search(u"a");
    EXPECT_THAT(view.rows, ElementsAre(u"A1", u"A2"));
    expectRowsOpenTheirPatients(controller, view);
    EXPECT_EQ(controller.patientAt(-1), std::nullopt);  // no row selected
    EXPECT_EQ(controller.patientAt(2), std::nullopt);
    EXPECT_EQ(view.yields, 2);
    EXPECT_EQ(view.caption, u"Pesquisa concluída. Foram encontrados 2 resultados.");
    // Progress was shown for the first patient only, out of all five.
    EXPECT_THAT(view.captions, Contains(u"Pesquisando... (1/5, 20%). 0 segundos restantes."));
    EXPECT_EQ(count("progress 40"), 0);
    EXPECT_EQ(controller.lastOutcome(), RunOutcome::Cancelled);
    expectIdle();

    // The request does not outlive the run.
    view.onYield = nullptr;
    search(u"a");
    EXPECT_EQ(view.rows.size(), 5u);
}

// Escape pressed, or the cancel button clicked, while no search runs asks nothing
// of the next search: it goes through every patient.
TEST_P(SearchRun, CancellingWhileIdleDoesNotStopTheNextSearch) {
    patients({u"A1", u"A2", u"A3", u"A4"});
    controller.onSearchBoxKey(27);
    search(u"a");
    EXPECT_THAT(view.rows, ElementsAre(u"A1", u"A2", u"A3", u"A4"));
    EXPECT_EQ(view.caption, u"Pesquisa concluída. Foram encontrados 4 resultados.");
    EXPECT_EQ(controller.lastOutcome(), RunOutcome::Completed);

    controller.cxCancel_Click();
    search(u"a3");
    EXPECT_THAT(view.rows, ElementsAre(u"A3"));
    EXPECT_EQ(controller.lastOutcome(), RunOutcome::Completed);
}

// Memory running out in the middle of a run (here as the window takes a row) ends
// the run with the platform's message, and leaves the window ready for another.
TEST_P(SearchRun, RunningOutOfMemoryShowsTheMessageAndEndsTheRun) {
    patients({u"A1", u"A2", u"A3", u"A4"});
    view.onYield = [](int yield) {
        if (yield == 2) throw std::bad_alloc();
    };
    search(u"a");
    EXPECT_THAT(view.rows, ElementsAre(u"A1", u"A2"));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, u"Memória insuficiente");
    EXPECT_EQ(view.messages[0].style, 0);
    EXPECT_EQ(view.messages[0].title, u"");
    EXPECT_FALSE(view.hidden);
    EXPECT_EQ(controller.lastOutcome(), RunOutcome::Failed);
    expectIdle();

    view.onYield = nullptr;
    search(u"a");
    EXPECT_EQ(view.rows.size(), 4u);
    EXPECT_EQ(controller.lastOutcome(), RunOutcome::Completed);
}

// A field longer than the blocks the text is lower-cased in, with brackets, the
// characters just past the capitals, and other punctuation around the letters.
TEST_P(SearchRun, BracketsAndPunctuationInLongFieldsAreFoundAsTyped) {
    patient(u"LONGO", {{u"Paci_me_ObservacoesPaciente",
                        text(u"Retorno marcado para a proxima semana [URGENTE] @casa ^tarde_ `a` {b} |c| ~d")}});
    patient(u"OUTRO", {{u"Paci_me_ObservacoesPaciente",
                        text(u"Retorno marcado para a proxima semana {urgente} `casa ~tarde_ @a@ [b] |c| ^d")}});
    search(u"[urgente]");
    EXPECT_THAT(view.rows, ElementsAre(u"LONGO"));
    search(u"@casa ^tarde_");
    EXPECT_THAT(view.rows, ElementsAre(u"LONGO"));
    search(u"{urgente} `casa");
    EXPECT_THAT(view.rows, ElementsAre(u"OUTRO"));
}

TEST_P(SearchRun, SecondRunStartsAFreshList) {
    patients({u"A1", u"A2", u"A3", u"B1", u"B2"});
    search(u" ");
    search(u"b");
    EXPECT_EQ(count("clear"), 2);
    EXPECT_THAT(view.rows, ElementsAre(u"B1", u"B2"));
    expectRowsOpenTheirPatients(controller, view);
    EXPECT_EQ(controller.patientAt(2), std::nullopt);
}

TEST_P(SearchRun, EnterIsIgnoredWhileRunningAndEscapeCancels) {
    patients({u"A1", u"A2", u"A3", u"A4"});
    search(u"");  // writes the clinic
    view.onYield = [&](int yield) {
        if (yield == 1) {
            view.box = u"A1";
            controller.onSearchBoxKey(13);
        }
        if (yield == 3) controller.onSearchBoxKey(27);
    };
    view.box = u"a";
    controller.onSearchBoxKey(13);
    EXPECT_EQ(count("clear"), 2);
    EXPECT_THAT(view.rows, ElementsAre(u"A1", u"A2", u"A3"));
    expectRowsOpenTheirPatients(controller, view);
    EXPECT_EQ(controller.lastOutcome(), RunOutcome::Cancelled);

    // Other keys do nothing.
    const size_t calls = view.calls.size();
    controller.onSearchBoxKey(u'x');
    EXPECT_EQ(view.calls.size(), calls);
}

TEST_P(SearchRun, TwoWindowsKeepTheirOwnResultsAndCancel) {
    patients({u"ANA SILVA", u"BIA SOUZA", u"CARLA SILVA", u"DANI SOUZA", u"EVA SILVA"});
    RecordingView otherView;
    SearchController other(otherView, buffer, [] { return 0.0f; });
    other.setDbName(controller.dbName());
    other.setPatientsAhead(GetParam());
    // The second window searches to the end and is then closed, all while the first
    // window's run is in the middle of its scan.
    view.onYield = [&](int yield) {
        if (yield == 1) search(other, otherView, u"souza");
        if (yield == 2) other.requestClose();
    };
    search(u"silva");
    EXPECT_EQ(controller.lastOutcome(), RunOutcome::Completed);
    EXPECT_THAT(view.rows, ElementsAre(u"ANA SILVA", u"CARLA SILVA", u"EVA SILVA"));
    expectRowsOpenTheirPatients(controller, view);
    EXPECT_THAT(otherView.rows, ElementsAre(u"BIA SOUZA", u"DANI SOUZA"));
    expectRowsOpenTheirPatients(other, otherView);
}

TEST_P(SearchRun, ClosingDuringARunLeavesTheWindowAlone) {
    patients({u"A1", u"A2", u"A3"});
    view.onYield = [&](int yield) {
        if (yield == 2) controller.requestClose();
    };
    search(u"a");
    EXPECT_EQ(view.calls.back(), "yield");
    EXPECT_EQ(view.yields, 2);
    EXPECT_FALSE(controller.running());
    EXPECT_EQ(controller.lastOutcome(), RunOutcome::Cancelled);

    const size_t calls = view.calls.size();
    controller.cxFind_Click();
    controller.cxCancel_Click();
    EXPECT_EQ(view.calls.size(), calls);
}

TEST_P(SearchRun, EmptyPatientTableIsReportedWithoutABox) {
    search(u"maria");
    EXPECT_EQ(view.caption, u"O banco de dados selecionado não possui registros.");
    EXPECT_THAT(view.messages, IsEmpty());
    EXPECT_EQ(controller.lastOutcome(), RunOutcome::EmptyDatabase);
    expectIdle();
}

TEST_P(SearchRun, MissingOrWrongDatabaseShowsABoxAndHidesTheWindow) {
    clinic.reset();
    controller.setDbName(fromUtf8((dir / "movido.mdb").string()));
    search(u"maria");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text,
              u"Erro: o banco de dados não existe mais ou foi movido. Selecione novamente a localização do "
              u"banco de dados..");
    EXPECT_EQ(view.messages[0].style, 48);
    EXPECT_EQ(view.messages[0].title, u"Erro");
    EXPECT_TRUE(view.hidden);
    EXPECT_EQ(view.caption, kNoneFound);
    EXPECT_EQ(controller.lastOutcome(), RunOutcome::Failed);
    expectIdle();

    {
        db::writer::JetWriter writer(file, {{u"Estoque", {{u"Item"}}}});
        writer.finish();
    }
    controller.setDbName(fromUtf8(file.string()));
    search(u"maria");
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[1].text,
              u"Erro: o banco de dados selecionado é inválido. Selecione um banco de dados válido.");
    EXPECT_EQ(view.messages[1].style, 48);
    EXPECT_EQ(view.messages[1].title, u"Erro");
    EXPECT_EQ(count("hide"), 2);
}

TEST_P(SearchRun, OtherErrorsShowTheirDescriptionAlone) {
    clinic.reset();
    std::ofstream(file, std::ios::binary) << std::string(8192, 'x');
    std::u16string description;
    try {
        db::Database::open(file);
    } catch (const Error& e) {
        description = e.description();
    }
    ASSERT_FALSE(description.empty());

    search(u"maria");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, description);
    EXPECT_EQ(view.messages[0].style, 0);
    EXPECT_EQ(view.messages[0].title, u"");  // the program's title
    EXPECT_FALSE(view.hidden);
    EXPECT_EQ(view.caption, kNoneFound);
    expectIdle();
}

// A matching patient whose counter is null can't be listed: the run ends there with
// the platform's error, and the completion message counts only the rows shown.
TEST_P(SearchRun, APatientWithoutCounterIsNeitherListedNorCounted) {
    clinic.reset();
    const auto tables = clinicTables();
    const auto& columns = tables[kPacientes].columns;
    {
        JetWriter writer(file, tables);
        for (const auto& [name, counter] : {std::pair{u"ANA MARIA", number(1)}, std::pair{u"BEATRIZ MARIA", Value::null()},
                                            std::pair{u"CLARA MARIA", number(3)}}) {
            std::vector<Value> row;
            for (const ColumnDef& c : columns) {
                if (c.name == u"Paci_tx_NomePaciente") row.push_back(text(name));
                else if (c.name == u"Paci_ln_Counter") row.push_back(counter);
                else if (c.type == db::ColumnType::Boolean) row.push_back(Value::boolean(false));
                else row.push_back(Value::null());
            }
            writer.addRow(kPacientes, row);
        }
        writer.finish();
    }

    search(u"maria");
    EXPECT_THAT(view.rows, ElementsAre(u"ANA MARIA"));
    EXPECT_THAT(controller.resultIds(), ElementsAre(1));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].style, 0);
    EXPECT_EQ(view.caption, u"Pesquisa concluída. Foi encontrado 1 resultado.");
    expectIdle();
}

// A birth date is read only for a listed row: a patient table without the column
// fails only when a patient matches, as reading the field would.
TEST_P(SearchRun, BirthDateIsReadOnlyForListedRows) {
    clinic.reset();
    auto tables = clinicTables();
    auto& columns = tables[kPacientes].columns;
    std::erase_if(columns, [](const ColumnDef& c) { return c.name == u"Paci_dt_DataNascimentoPaciente"; });
    {
        JetWriter writer(file, tables);
        std::vector<Value> row;
        for (const ColumnDef& c : columns) {
            if (c.name == u"Paci_tx_NomePaciente") row.push_back(text(u"MARIA"));
            else if (c.name == u"Paci_ln_Counter") row.push_back(number(1));
            else if (c.type == db::ColumnType::Boolean) row.push_back(Value::boolean(false));
            else row.push_back(Value::null());
        }
        writer.addRow(kPacientes, row);
        writer.finish();
    }

    search(u"ortopedia");
    EXPECT_THAT(view.messages, IsEmpty());
    EXPECT_EQ(view.caption, kNoneFound);

    search(u"maria");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_THAT(view.messages[0].text, Holds(u"paci_dt_datanascimentopaciente"));
    EXPECT_EQ(view.messages[0].style, 0);
    expectIdle();
}

// A database on a server's shared folder: every read waits, and the patients ahead
// are read many reads at once. The run does to the window exactly what it does
// with a local file (rows in name order as found, progress for every patient),
// stops at the patient at hand when cancelled, and leaves no thread behind.
TEST_P(SearchRun, AFileWhoseReadsWaitIsSearchedTheSameWay) {
    for (int i = 0; i < 150; ++i) {
        const std::u16string name = u"PACIENTE " + std::u16string(1, static_cast<char16_t>(u'Z' - i % 26)) +
                                    std::u16string(1, static_cast<char16_t>(u'A' + i / 26));
        const int32_t counter = clinic->add(kPacientes, {{u"Paci_tx_NomePaciente", Value::text(name)},
                                                         {u"Paci_tx_EstadoCivilPaciente", text(u"S")}});
        names[counter] = name;
        for (int a = 0; a < i % 3; ++a)
            clinic->add(kAnamneses, {{u"Anam_ln_Paciente", number(counter)},
                                     {u"Anam_me_TextoAnamnese",
                                      Value::text(u"{\\rtf1 " + std::u16string(i % 5 == 0 ? u"asma " : u"gripe ") +
                                                  std::u16string(600, u'x') + u"}")}});
        clinic->add(kConsultaseRetornos, {{u"Cons_ln_Paciente", number(counter)},
                                          {u"Cons_me_TextoConsultaRetorno", Value::text(std::u16string(500, u'c'))}});
    }
    search(u"asma");
    ASSERT_EQ(view.rows.size(), 20u);

    const auto waiting = [](const std::u16string& path) {
        return db::Database::fromSource(
            std::make_unique<db::testing::WaitingSource>(db::jet::openFileSource(fs::path(path)),
                                                         std::chrono::milliseconds(1)),
            path);
    };
#ifdef __linux__
    const size_t before = scandrel::testing::threadsRunning();
#endif
    RecordingView slowView;
    PlainTextBuffer slowBuffer;
    SearchController slow(slowView, slowBuffer, [] { return 36000.0f; }, waiting);
    slow.setDbName(fromUtf8(file.string()));
    slow.setPatientsAhead(GetParam());
    search(slow, slowView, u"asma");
    EXPECT_EQ(slowView.calls, view.calls);
    expectRowsOpenTheirPatients(slow, slowView);

    slowView.yields = 0;
    slowView.onYield = [&](int yield) {
        if (yield == 100) slow.cxCancel_Click();
    };
    search(slow, slowView, u"asma");
    EXPECT_EQ(slowView.yields, 100);
    std::vector<std::u16string> firstHundred;  // the rows of the whole run found by its 100th yield
    int yields = 0;
    for (const std::string& call : view.calls) {
        if (call == "yield" && ++yields == 100) break;
        if (call.starts_with("append ")) firstHundred.push_back(fromUtf8(call.substr(7)));
    }
    EXPECT_EQ(slowView.rows, firstHundred);
    EXPECT_EQ(slow.lastOutcome(), RunOutcome::Cancelled);
#ifdef __linux__
    EXPECT_EQ(scandrel::testing::threadsRunningOnceSettledTo(before), before);
#endif
}

// The statements a run sends, word for word: the patients in name order, then for
// each patient its related rows by its own numbers, a null number asking for 0, and
// the procedure of the first guide only.
TEST_P(SearchRun, SendsThePatientQueryAndEachPatientsRelatedQueries) {
    const int32_t ana = patient(u"ANA", {{u"Paci_ln_ConvenioPaciente", number(123456)}});
    const int32_t bruno = patient(u"BRUNO");  // no plan
    clinic->add(kGuias, {{u"Guia_ln_Paciente", number(ana)}, {u"Guia_ln_Procedimento", number(42)}});
    clinic->add(kGuias, {{u"Guia_ln_Paciente", number(ana)}, {u"Guia_ln_Procedimento", number(43)}});
    clinic->add(kGuias, {{u"Guia_ln_Paciente", number(bruno)}});  // a null procedure

    std::vector<std::u16string> sent;
    RecordingView recordedView;
    PlainTextBuffer recordedBuffer;
    SearchController recorded(recordedView, recordedBuffer, [] { return 36000.0f; },
                              [&sent](const std::u16string& path) {
                                  db::Database database = db::Database::open(fs::path(path));
                                  database.observeStatements(
                                      [&sent](std::u16string_view sql) { sent.emplace_back(sql); });
                                  return database;
                              });
    recorded.setDbName(fromUtf8(file.string()));
    recorded.setPatientsAhead(GetParam());
    search(recorded, recordedView, u"ninguém");
    ASSERT_EQ(recorded.lastOutcome(), RunOutcome::Completed);

    const auto n = [](int32_t v) { return fromUtf8(std::to_string(v)); };
    ASSERT_EQ(sent.size(), 13u);
    EXPECT_EQ(sent[0], u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente");
    EXPECT_THAT(std::vector(sent.begin() + 1, sent.begin() + 7),
                UnorderedElementsAre(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = " + n(ana),
                                     u"SELECT * FROM ConsultaseRetornos WHERE Cons_ln_Paciente = " + n(ana),
                                     u"SELECT * FROM Convenios WHERE Conv_ln_Counter = 123456",
                                     u"SELECT * FROM Guias WHERE Guia_ln_Paciente = " + n(ana),
                                     u"SELECT * FROM Textos WHERE Text_ln_Paciente = " + n(ana),
                                     u"SELECT * FROM ProcedimentosExames WHERE PrEx_ln_Counter = 42"));
    EXPECT_THAT(std::vector(sent.begin() + 7, sent.end()),
                UnorderedElementsAre(u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = " + n(bruno),
                                     u"SELECT * FROM ConsultaseRetornos WHERE Cons_ln_Paciente = " + n(bruno),
                                     u"SELECT * FROM Convenios WHERE Conv_ln_Counter = 0",
                                     u"SELECT * FROM Guias WHERE Guia_ln_Paciente = " + n(bruno),
                                     u"SELECT * FROM Textos WHERE Text_ln_Paciente = " + n(bruno),
                                     u"SELECT * FROM ProcedimentosExames WHERE PrEx_ln_Counter = 0"));
}

// A file of the host's without one of the related tables is not a patient database
// either: the first patient's text fails, the run shows the invalid-database box,
// hides the window and still ends with its completion message.
TEST_P(SearchRun, AMissingRelatedTableShowsTheInvalidDatabaseBox) {
    clinic.reset();
    auto tables = clinicTables();
    tables[kGuias].name = u"GuiasAntigas";
    {
        JetWriter writer(file, tables);
        int32_t counter = 0;
        for (const char16_t* name : {u"ANA MARIA", u"BEATRIZ MARIA"}) {
            ++counter;
            std::vector<Value> row;
            for (const ColumnDef& c : tables[kPacientes].columns) {
                if (c.name == u"Paci_tx_NomePaciente") row.push_back(text(name));
                else if (c.name == u"Paci_ln_Counter") row.push_back(number(counter));
                else if (c.type == db::ColumnType::Boolean) row.push_back(Value::boolean(false));
                else row.push_back(Value::null());
            }
            writer.addRow(kPacientes, row);
        }
        writer.finish();
    }

    search(u"maria");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text,
              u"Erro: o banco de dados selecionado é inválido. Selecione um banco de dados válido.");
    EXPECT_EQ(view.messages[0].style, 48);
    EXPECT_EQ(view.messages[0].title, u"Erro");
    EXPECT_THAT(view.rows, IsEmpty());
    EXPECT_THAT(controller.resultIds(), IsEmpty());
    EXPECT_EQ(controller.lastOutcome(), RunOutcome::Failed);
    // No patient was yielded for: the box, the hidden window, the completion, the restore.
    EXPECT_EQ(count("yield"), 0);
    const auto box = std::find(view.calls.begin(), view.calls.end(), "message");
    ASSERT_NE(box, view.calls.end());
    EXPECT_THAT(std::vector(box, view.calls.end()),
                ElementsAre("message", "hide", "status " + toUtf8(kNoneFound), "cancel 0", "lock 0", "find 1",
                            "progress 0"));
    EXPECT_TRUE(view.hidden);
    expectIdle();
}

INSTANTIATE_TEST_SUITE_P(PatientsBuilt, SearchRun, ::testing::Values(0, 1, kDefaultPatientsAhead),
                         [](const ::testing::TestParamInfo<size_t>& built) {
                             return built.param == 0 ? std::string("OnTheWindowsThread")
                                                    : "ByTheWorker" + std::to_string(built.param) + "Ahead";
                         });

}  // namespace
}  // namespace scandrel::search::testing
