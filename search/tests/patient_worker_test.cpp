// The run's worker, which builds the patients' texts ahead of the window's thread:
// what the window sees is what it sees when every patient is built on its own thread,
// the worker keeps to its bound, and it never outlives the run.
#include "search/patient_worker.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "search/plain_text_buffer.h"
#include "search/rich_text_buffer.h"
#include "search/search_controller.h"
#include "testing/recording_view.h"
#include "testing/test_clinic.h"
#include "text/error.h"
#include "text/utf.h"

namespace scandrel::search::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::u16string_view kAnamnesesSent = u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = ";

// What one run did to its window, and the reasons of its rows.
struct Seen {
    std::vector<std::string> calls;
    std::vector<std::u16string> rows;
    std::vector<std::vector<std::u16string>> reasons;
    std::vector<int32_t> ids;
    RunOutcome outcome = RunOutcome::None;
    int32_t failure = 0;  // the number of the error that ended the run
};

class PatientWorker : public ClinicTest {
protected:
    // Patients whose related rows go through every path of the text: rich and plain
    // memos, dates, the plan, guides with a procedure, text documents.
    void writeVariedClinic(int count) {
        const int32_t plan = add(kConvenios, {{u"Conv_tx_NomeConvenio", text(u"UNIMED Ortopedia")}});
        const int32_t procedure = add(kProcedimentosExames, {{u"PrEx_tx_NomeProcedimento", text(u"Marca-passo")},
                                                             {u"PrEx_tx_CodigoAMB", text(u"3090")}});
        const char16_t* firsts[] = {u"ANA", u"BRUNO", u"CÉLIA", u"DAVI", u"ÉRICA", u"FÁBIO", u"GUSMÃO"};
        for (int i = 0; i < count; ++i) {
            const std::u16string name = std::u16string(firsts[i % 7]) + u" SILVA " + fromUtf8(std::to_string(i));
            const int32_t p = add(kPacientes, {{u"Paci_tx_NomePaciente", Value::text(name)},
                                               {u"Paci_tx_EstadoCivilPaciente", text(i % 3 ? u"C" : u"S")},
                                               {u"Paci_ln_ConvenioPaciente", number(i % 4 ? plan : 0)},
                                               {u"Paci_me_ObservacoesPaciente",
                                                Value::text(i % 5 ? u"{\\rtf1 alergia a {\\b dipirona}\\par}"
                                                                  : u"asma desde a infância")}});
            for (int a = 0; a < i % 4; ++a)
                add(kAnamneses, {{u"Anam_ln_Paciente", number(p)},
                                 {u"Anam_dt_DataAnamnese", date(2003, 8, 1 + a)},
                                 {u"Anam_me_TextoAnamnese",
                                  Value::text(u"{\\rtf1 crises de " + std::u16string(a % 2 ? u"asma" : u"gripe") +
                                              u" e " + std::u16string(200 + 37 * i % 300, u'x') + u"}")}});
            for (int c = 0; c < i % 3; ++c)
                add(kConsultaseRetornos, {{u"Cons_ln_Paciente", number(p)},
                                          {u"Cons_me_TextoConsultaRetorno", text(u"retorno em 30 dias")}});
            if (i % 6 == 0)
                add(kGuias, {{u"Guia_ln_Paciente", number(p)}, {u"Guia_ln_Procedimento", number(procedure)},
                             {u"Guia_tx_NroGuia", text(u"G-77")}});
            if (i % 7 == 3)
                add(kTextos, {{u"Text_ln_Paciente", number(p)}, {u"Text_tx_NomeTexto", text(u"Atestado")},
                              {u"Text_me_Texto", text(u"{\\rtf1 repouso de tr\\'eas dias}")}});
        }
        finishedClinic();
    }

    // One run on a window of its own, with the patients built `ahead`.
    Seen search(size_t ahead, const std::u16string& typed, bool explain = false,
                const std::function<void(SearchController&, int)>& onYield = {}, DatabaseOpener open = {},
                RichTextBuffer* converter = nullptr) {
        RecordingView view;
        PlainTextBuffer plain;
        RichTextBuffer& buffer = converter != nullptr ? *converter : plain;
        SearchController controller(view, buffer, [] { return 36000.0f; }, std::move(open));
        controller.setDbName(fromUtf8(file.string()));
        controller.setPatientsAhead(ahead);
        controller.setExplainMatches(explain);
        if (onYield) view.onYield = [&](int yield) { onYield(controller, yield); };
        view.box = typed;
        controller.cxFind_Click();
        EXPECT_EQ(patientWorkersAlive(), 0u) << "a worker outlived its run";
        Seen seen{view.calls, view.rows, {}, controller.resultIds(), controller.lastOutcome(),
                  controller.lastFailure() ? controller.lastFailure()->number() : 0};
        for (size_t row = 0; row < view.rows.size(); ++row)
            seen.reasons.push_back(controller.reasonsAt(static_cast<int>(row)));
        return seen;
    }

    // A database that counts the patients whose text has been started (a listed
    // patient's reasons build it again: counted once).
    DatabaseOpener countingStarts(std::atomic<int>& started) {
        return [this, &started](const std::u16string& path) {
            db::Database database = db::Database::open(fs::path(path));
            database.observeStatements([this, &started](std::u16string_view sql) {
                if (!sql.starts_with(kAnamnesesSent)) return;
                const std::lock_guard lock(startedMutex_);
                if (startedPatients_.emplace(sql).second) started = static_cast<int>(startedPatients_.size());
            });
            return database;
        };
    }
    std::mutex startedMutex_;
    std::set<std::u16string> startedPatients_;

    // Patients "PACIENTE 100" on, in this order, each with a memo; the one at `marked`
    // (from 0) holds the marker.
    void writeMarkedClinic(int count, int marked) {
        for (int i = 0; i < count; ++i) {
            const std::u16string name = u"PACIENTE " + fromUtf8(std::to_string(100 + i));
            add(kPacientes, {{u"Paci_tx_NomePaciente", Value::text(name)},
                             {u"Paci_me_ObservacoesPaciente",
                              Value::text(i == marked ? u"{\\rtf1 zqmarcaqz}" : u"{\\rtf1 curta}")}});
        }
        finishedClinic();
    }

    // Waits until `done`, for 20 s at most; whether it came.
    template <class Done>
    static bool waitFor(Done done) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            if (std::chrono::steady_clock::now() > limit) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
};

TEST_F(PatientWorker, ListsTheSameRowsInTheSameOrderAsTheWindowsThreadAlone) {
    writeVariedClinic(100);
    for (const bool explain : {false, true}) {
        for (const char16_t* words : {u"silva", u"asma", u"gusmao marca-passo", u"dipirona 02/08", u"tres dias",
                                      u"ortopedia gripe 2003", u"nada disso"}) {
            const Seen alone = search(0, words, explain);
            ASSERT_EQ(alone.outcome, RunOutcome::Completed);
            for (const size_t ahead : {1u, 2u, 3u, 16u, 400u}) {
                const Seen worked = search(ahead, words, explain);
                EXPECT_EQ(worked.calls, alone.calls) << toUtf8(words) << ", " << ahead << " ahead";
                EXPECT_EQ(worked.ids, alone.ids);
                EXPECT_EQ(worked.reasons, alone.reasons);
            }
        }
    }
}

// The worker starts a patient only when a slot is free: never more than its bound
// ahead of the patient the window handles, and it does work ahead while it waits.
TEST_F(PatientWorker, NeverBuildsMoreThanItsBoundAhead) {
    writeVariedClinic(60);
    constexpr size_t kAhead = 5;
    std::atomic<int> started{0};
    int most = 0;
    const Seen seen = search(
        kAhead, u"silva", false,
        [&](SearchController&, int yield) {
            if (yield == 1) {
                EXPECT_TRUE(waitFor([&] { return started >= 1 + static_cast<int>(kAhead); }));
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
            }
            most = std::max(most, started - yield);
            EXPECT_LE(started, yield + static_cast<int>(kAhead)) << "at patient " << yield;
        },
        countingStarts(started));
    EXPECT_EQ(seen.rows.size(), 60u);
    EXPECT_EQ(most, static_cast<int>(kAhead));
    EXPECT_EQ(started, 60);
}

// Cancelled while the worker holds patients built ahead: they are dropped, the worker
// ends with the run, and the window sees what a run on its own thread shows. (At the
// first patient every slot can be full: none has been given back yet.)
TEST_F(PatientWorker, CancelDropsThePatientsBuiltAheadAndEndsTheWorker) {
    writeVariedClinic(80);
    constexpr int kAhead = 8;
    const auto cancelAt = [](int at, std::atomic<int>* started) {
        return [at, started](SearchController& controller, int yield) {
            if (yield != at) return;
            if (started != nullptr) {
                EXPECT_TRUE(waitFor([&] { return *started >= at + kAhead; }));
                EXPECT_EQ(patientWorkersAlive(), PatientsAhead::kThreads);
            }
            controller.cxCancel_Click();
        };
    };
    for (const int at : {1, 3}) {
        const Seen alone = search(0, u"silva", true, cancelAt(at, nullptr));
        std::atomic<int> started{0};
        startedPatients_.clear();
        // Past the first patient the worker may lag a few slots behind its bound.
        const Seen worked = search(kAhead, u"silva", true, cancelAt(at, at == 1 ? &started : nullptr),
                                   countingStarts(started));
        EXPECT_EQ(worked.outcome, RunOutcome::Cancelled);
        EXPECT_EQ(worked.calls, alone.calls);
        EXPECT_EQ(worked.ids, alone.ids);
        EXPECT_EQ(worked.rows.size(), static_cast<size_t>(at));
        EXPECT_LE(started, at + kAhead);  // built ahead, then dropped: nothing more was started
        if (at == 1) {
            EXPECT_EQ(started, 1 + kAhead);
        }
    }
}

// The window closed in the middle of a run: the run leaves the window alone from
// then on, and takes its worker with it before it returns.
TEST_F(PatientWorker, ClosingTheWindowMidRunEndsTheWorker) {
    writeVariedClinic(40);
    const Seen seen = search(16, u"silva", false, [](SearchController& controller, int yield) {
        if (yield == 4) controller.requestClose();
    });
    EXPECT_EQ(seen.outcome, RunOutcome::Cancelled);
    EXPECT_EQ(seen.calls.back(), "yield");
    EXPECT_EQ(seen.rows.size(), 4u);
}

// Something thrown out of the window's yield ends the run there; the worker goes too.
TEST_F(PatientWorker, AnExceptionOnTheWindowsSideEndsTheWorker) {
    writeVariedClinic(40);
    const Seen seen = search(16, u"silva", false, [](SearchController&, int yield) {
        if (yield == 2) throw std::bad_alloc();
    });
    EXPECT_EQ(seen.outcome, RunOutcome::Failed);
    EXPECT_EQ(seen.rows.size(), 2u);
}

// A page of one patient's memo that fails its checks (the host writing it, or a
// damaged file): the worker meets it ahead of the window, yet the window sees the
// failure where a run on its own thread sees it, after the patients before it.
TEST_F(PatientWorker, AFailureAheadSurfacesAtThePatientThatFailed) {
    for (int i = 0; i < 30; ++i) {
        const std::u16string name = u"PACIENTE " + fromUtf8(std::to_string(100 + i));
        add(kPacientes, {{u"Paci_tx_NomePaciente", Value::text(name)},
                         {u"Paci_me_ObservacoesPaciente",
                          Value::text(i == 17 ? u"zqmarcaqz" + std::u16string(6000, u'y') : u"curta")}});
    }
    finishedClinic();
    {
        // The memo's page: its marker, as stored, is in no other page.
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(f)), {});
        std::string marker;
        for (const char c : std::string("zqmarcaqz")) marker += {c, '\0'};
        size_t at = bytes.find(marker);
        if (at == std::string::npos) at = bytes.find("zqmarcaqz");
        ASSERT_NE(at, std::string::npos);
        const size_t page = at / 4096 * 4096;
        f.seekp(static_cast<std::streamoff>(page));
        f.write("\x07\x07\x07\x07\x07\x07\x07\x07", 8);
    }

    const Seen alone = search(0, u"paciente");
    ASSERT_EQ(alone.outcome, RunOutcome::Failed);
    EXPECT_EQ(alone.failure, 3343);
    EXPECT_EQ(alone.rows.size(), 17u);
    for (const size_t ahead : {1u, 16u}) {
        const Seen worked = search(ahead, u"paciente");
        EXPECT_EQ(worked.calls, alone.calls) << ahead << " ahead";
        EXPECT_EQ(worked.outcome, RunOutcome::Failed);
    }
}

// The database opened on the worker: its failure comes before any row or yield, and
// the window shows it as it does without the worker.
TEST_F(PatientWorker, AFailureToOpenTheDatabaseComesBeforeAnyYield) {
    writeVariedClinic(3);
    const Seen alone = search(0, u"silva");
    file = dir / "nao-existe.mdb";
    const Seen missing0 = search(0, u"silva");
    const Seen missing16 = search(16, u"silva");
    EXPECT_EQ(missing16.calls, missing0.calls);
    EXPECT_THAT(missing16.rows, IsEmpty());
    EXPECT_EQ(missing16.outcome, RunOutcome::Failed);
    EXPECT_EQ(alone.rows.size(), 3u);
}

// The buffer that converts the memos, with a hook that sees each memo first, on the
// thread that converts it (the converter's buffer shares the hook).
class HookedBuffer final : public RichTextBuffer {
public:
    using Hook = std::function<void(std::u16string_view)>;
    explicit HookedBuffer(std::shared_ptr<Hook> hook) : hook_(std::move(hook)) {}
    void clear() override { plain_.clear(); }
    void append(std::u16string_view value) override {
        (*hook_)(value);
        plain_.append(value);
    }
    std::u16string plainText() const override { return plain_.plainText(); }
    std::unique_ptr<RichTextBuffer> forAnotherThread() const override { return std::make_unique<HookedBuffer>(hook_); }

private:
    std::shared_ptr<Hook> hook_;
    PlainTextBuffer plain_;
};

bool marked(std::u16string_view memo) { return memo.find(u"zqmarcaqz") != std::u16string_view::npos; }

// Held up converting one patient, the converter lets the reader get no more than its
// own bound ahead, however many patients the run may have ahead in all.
TEST_F(PatientWorker, TheReaderKeepsToItsBoundAheadOfTheConverter) {
    constexpr int kMarked = 10;
    writeMarkedClinic(80, kMarked);
    constexpr size_t kAhead = 40;
    const int bound = static_cast<int>(PatientsAhead::readerBound(kAhead));
    ASSERT_LT(bound, static_cast<int>(kAhead));
    std::atomic<int> started{0};
    int startedWhileHeld = -1;
    HookedBuffer buffer(std::make_shared<HookedBuffer::Hook>([&](std::u16string_view memo) {
        if (!marked(memo)) return;
        // The converter holds patient kMarked: the reader may start patients up to
        // kMarked + bound - 1, and waits there.
        EXPECT_TRUE(waitFor([&] { return started >= kMarked + bound; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        startedWhileHeld = started;
    }));
    const Seen seen = search(kAhead, u"paciente", false, {}, countingStarts(started), &buffer);
    EXPECT_EQ(startedWhileHeld, kMarked + bound);
    EXPECT_EQ(seen.rows.size(), 80u);
    EXPECT_EQ(started, 80);
}

// Held up by the database at one patient, as by a slow or stopped server, the reader
// keeps none of the patients it read before from the run: fewer than the converter's
// batch, they are listed while the reader waits.
TEST_F(PatientWorker, PatientsReadBeforeTheReaderIsHeldUpAreListedWhileItWaits) {
    constexpr size_t kAhead = 40;
    constexpr int kHeld = 5;  // from 0; the converter's batch is half the reader's bound
    ASSERT_LT(kHeld, static_cast<int>(PatientsAhead::readerBound(kAhead) / 2));
    writeMarkedClinic(30, -1);
    std::atomic<bool> listed{false};
    bool listedWhileHeld = false;
    std::set<std::u16string> sent;  // on the reader's thread alone
    const DatabaseOpener open = [&](const std::u16string& path) {
        db::Database database = db::Database::open(fs::path(path));
        database.observeStatements([&](std::u16string_view sql) {
            if (!sql.starts_with(kAnamnesesSent) || !sent.emplace(sql).second) return;
            if (sent.size() == kHeld + 1) listedWhileHeld = waitFor([&] { return listed.load(); });
        });
        return database;
    };
    const Seen seen = search(kAhead, u"paciente", false,
                             [&](SearchController&, int yield) { listed = listed || yield == kHeld; }, open);
    EXPECT_TRUE(listedWhileHeld);
    EXPECT_EQ(seen.rows.size(), 30u);
    EXPECT_EQ(seen.outcome, RunOutcome::Completed);
}

// Cancelled while both stages hold patients: the converter in the middle of one, the
// reader its bound ahead of it. The run stops after the patient at hand, both threads
// end with it, and nothing more is read.
TEST_F(PatientWorker, CancelWithWorkInBothStagesEndsBothThreads) {
    constexpr int kMarked = 6;
    writeMarkedClinic(60, kMarked);
    constexpr size_t kAhead = 16;
    const int bound = static_cast<int>(PatientsAhead::readerBound(kAhead));
    const auto cancelAtMarked = [&](std::atomic<bool>* held, std::atomic<bool>* release, std::atomic<int>* started) {
        return [=](SearchController& controller, int yield) {
            if (yield != kMarked) return;
            if (held != nullptr) {
                EXPECT_TRUE(waitFor([&] { return held->load() && *started >= kMarked + bound; }));
                EXPECT_EQ(patientWorkersAlive(), PatientsAhead::kThreads);
            }
            controller.cxCancel_Click();
            if (release != nullptr) *release = true;
        };
    };
    const Seen alone = search(0, u"paciente", false, cancelAtMarked(nullptr, nullptr, nullptr));

    std::atomic<bool> held{false}, release{false};
    std::atomic<int> started{0};
    HookedBuffer buffer(std::make_shared<HookedBuffer::Hook>([&](std::u16string_view memo) {
        if (!marked(memo)) return;
        held = true;
        EXPECT_TRUE(waitFor([&] { return release.load(); }));
    }));
    const Seen worked =
        search(kAhead, u"paciente", false, cancelAtMarked(&held, &release, &started), countingStarts(started), &buffer);
    EXPECT_EQ(worked.outcome, RunOutcome::Cancelled);
    EXPECT_EQ(worked.calls, alone.calls);
    EXPECT_EQ(worked.ids, alone.ids);
    EXPECT_EQ(worked.rows.size(), static_cast<size_t>(kMarked));
    EXPECT_EQ(started, kMarked + bound);
}

// A memo whose conversion fails: the converter meets it ahead of the window, yet the
// window sees the failure where a run on its own thread sees it, after the patients
// before it, in the same box.
TEST_F(PatientWorker, AFailureConvertingSurfacesAtThePatientThatFailed) {
    constexpr int kMarked = 17;
    writeMarkedClinic(30, kMarked);
    HookedBuffer buffer(std::make_shared<HookedBuffer::Hook>([](std::u16string_view memo) {
        if (marked(memo)) throw Error(3000, u"Texto ilegível");
    }));
    const Seen alone = search(0, u"paciente", false, {}, {}, &buffer);
    ASSERT_EQ(alone.outcome, RunOutcome::Failed);
    EXPECT_EQ(alone.failure, 3000);
    EXPECT_EQ(alone.rows.size(), static_cast<size_t>(kMarked));
    for (const size_t ahead : {1u, 2u, 16u}) {
        const Seen worked = search(ahead, u"paciente", true, {}, {}, &buffer);
        EXPECT_EQ(worked.calls, alone.calls) << ahead << " ahead";
        EXPECT_EQ(worked.failure, 3000);
    }
}

}  // namespace
}  // namespace scandrel::search::testing
