#include "search/search_controller.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "clinic/clinic_schema.h"
#include "db/database.h"
#include "search/patient_feed.h"
#include "search/result_row.h"
#include "search/search_words.h"
#include "search/view_progress.h"
#include "text/error.h"
#include "text/utf.h"

namespace scandrel::search {
namespace {

constexpr char16_t kSearching[] = u"Pesquisando... 0 resultados encontrados.";
constexpr char16_t kEmptySearchText[] = u"É necessário digitar algo no campo de busca.";
constexpr char16_t kNoPatients[] = u"O banco de dados selecionado não possui registros.";
constexpr char16_t kInvalidDatabase[] =
    u"Erro: o banco de dados selecionado é inválido. Selecione um banco de dados válido.";
constexpr char16_t kMissingDatabase[] =
    u"Erro: o banco de dados não existe mais ou foi movido. "
    u"Selecione novamente a localização do banco de dados..";
constexpr char16_t kErrorTitle[] = u"Erro";
const std::u16string kPatientQuery =
    clinic::selectOrderedBy(clinic::pacientes::kTable, clinic::pacientes::kNomePaciente);

constexpr int32_t kOutOfMemory = 7;

// A statement on a server that has run this long lets the window run while the run
// waits for it; the quick ones, most, do not.
constexpr std::chrono::milliseconds kLongStatement{250};

// Sets the flag for as long as the scope lasts, whatever way it is left.
class RunningFlag {
public:
    explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~RunningFlag() { flag_ = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

private:
    bool& flag_;
};

std::u16string decimal(int32_t n) { return fromUtf8(std::to_string(n)); }

// Cancels the run's statements when the scope is left, whatever way.
class CancelOnLeaving {
public:
    explicit CancelOnLeaving(db::RunCancel& statements) : statements_(statements) {}
    ~CancelOnLeaving() { statements_.cancel(); }
    CancelOnLeaving(const CancelOnLeaving&) = delete;
    CancelOnLeaving& operator=(const CancelOnLeaving&) = delete;

private:
    db::RunCancel& statements_;
};

}  // namespace

SearchController::SearchController(SearchView& view, RichTextBuffer& buffer, text::Clock clock,
                                   DatabaseOpener open)
    : view_(view), buffer_(buffer), clock_(std::move(clock)), open_(std::move(open)) {}

void SearchController::cxFind_Click() {
    // One run at a time per window, and none in a window that is gone.
    if (running_ || closed_) return;
    RunningFlag running(running_);

    view_.setFindEnabled(false);
    view_.setSearchLocked(true);
    view_.clearResults();
    resultIds_.clear();
    reasons_.clear();
    resultCount_ = 0;
    view_.setProgress(0);
    view_.setStatus(kSearching);
    cancel_ = false;
    statements_ = std::make_shared<db::RunCancel>();
    view_.setCancelVisible(true);
    failure_.reset();

    const std::u16string typed = view_.searchText();
    const std::u16string searchText = prepareSearchText(typed);
    // Only a box without any character is empty; spaces alone list every patient.
    if (typed.empty()) {
        view_.setStatus(kEmptySearchText);
        outcome_ = RunOutcome::EmptySearchText;
        restore();
        return;
    }
    const std::vector<std::u16string> words = splitWords(searchText);
    view_.setSearchText(searchText);

    int32_t found = 0;
    bool completionMessage = true;
    try {
        scan(words, found);
    } catch (const Error& e) {
        if (e.number() == db::kOperationCancelled && cancel_) {
            // The cancel reached a statement on a server: the user's, not a failure.
            outcome_ = RunOutcome::Cancelled;
        } else {
            if (e.number() == db::kNoCurrentRecord) completionMessage = false;
            handleFailure(e.number(), e.description());
        }
    } catch (const std::bad_alloc&) {
        handleFailure(kOutOfMemory, u"Memória insuficiente");
    } catch (const std::exception& e) {
        handleFailure(0, fromUtf8(e.what()));
    }

    if (closed_) {
        // The window is gone: nothing of it is touched any more.
        cancel_ = false;
        resultCount_ = 0;
        return;
    }
    if (completionMessage) showCompletion(found);
    restore();
}

void SearchController::scan(const std::vector<std::u16string>& words, int32_t& found) {
    const bool explain = explain_ && std::any_of(words.begin(), words.end(), [](const auto& w) { return !w.empty(); });
    // While the run waits for a statement a server takes long over, the window runs, so
    // that "Cancelar" and closing reach it; once cancelled, it waits for the cancel.
    const std::shared_ptr<db::RunCancel> statements = statements_;
    auto whileWaiting = [this, statements] {
        if (!cancel_ && statements->longestRunning() >= kLongStatement) view_.doEvents();
    };
    // The patients come in name order, built here or ahead on a worker; the feed ends
    // with the scan, whichever way, and with it any thread of the run: the statement
    // that worker may be waiting for is cancelled first.
    const std::unique_ptr<PatientFeed> feed = makePatientFeed(
        {open_, dbName_, kPatientQuery, clinic::pacientes::kNomePaciente, clinic::pacientes::kCounterAsQueried,
         clinic::pacientes::kDataNascimentoAsQueried, words, statements, whileWaiting},
        buffer_, patientsAhead_, explain);
    const CancelOnLeaving cancelStatements(*statements);
    const int32_t total = feed->open();  // 3021 when there are no patients
    int32_t current = 1;
    const float startTime = clock_();

    ViewProgressBar bar(view_);
    ViewStatusLabel label(view_);
    const WordMatcher matcher(words);

    while (!feed->atEnd()) {
        if (cancel_) break;  // given while the run waited for this patient
        const std::u16string& text = feed->text();
        const std::optional<bool> matched = feed->matched();
        if (matched ? *matched : matcher.allFoundIn(text)) {
            const int32_t counter = patientCounter(feed->counter());
            const Value birthDate = feed->birthDate();
            std::vector<std::u16string> reasons;
            if (explain) reasons = feed->reasons();
            view_.appendResult(resultRow(feed->name(), birthDate));
            // The row and its patient are recorded together, before the next yield; a
            // patient is counted only once both are, so the count matches the rows.
            ++resultCount_;
            resultIds_.push_back(counter);
            if (explain) reasons_.push_back(std::move(reasons));
            ++found;
        }
        view_.doEvents();
        if (cancel_) break;
        feed->moveNext();
        text::ShowProgress(total, current, startTime, bar, label, clock_);
        ++current;
    }
    outcome_ = cancel_ ? RunOutcome::Cancelled : RunOutcome::Completed;
}

void SearchController::handleFailure(int32_t number, const std::u16string& description) {
    if (number == db::kNoCurrentRecord) {
        outcome_ = RunOutcome::EmptyDatabase;
        if (!closed_) view_.setStatus(kNoPatients);
        return;
    }
    outcome_ = RunOutcome::Failed;
    failure_.emplace(number, description);
    if (closed_) return;
    if (number == db::kTableNotFound) {
        view_.showMessage(kInvalidDatabase, kMessageExclamation, kErrorTitle);
        view_.hide();
    } else if (number == db::kFileNotFound) {
        view_.showMessage(kMissingDatabase, kMessageExclamation, kErrorTitle);
        view_.hide();
    } else {
        view_.showMessage(description, kMessageOk, std::u16string());
    }
}

void SearchController::showCompletion(int32_t found) {
    if (found > 1) {
        view_.setStatus(u"Pesquisa concluída. Foram encontrados " + decimal(found) + u" resultados.");
    } else if (found == 1) {
        view_.setStatus(u"Pesquisa concluída. Foi encontrado 1 resultado.");
    } else {
        view_.setStatus(u"Pesquisa concluída. Não foram encontradas ocorrências para sua pesquisa.");
    }
}

void SearchController::restore() {
    cancel_ = false;
    view_.setCancelVisible(false);
    view_.setSearchLocked(false);
    view_.setFindEnabled(true);
    resultCount_ = 0;
    view_.setProgress(0);
}

void SearchController::cxCancel_Click() {
    cancel_ = true;
    if (running_ && statements_) statements_->cancel();
    if (!closed_) view_.setCancelVisible(false);
}

void SearchController::onSearchBoxKey(char16_t key) {
    if (key == 13) {
        if (!running_) cxFind_Click();
    } else if (key == 27) {
        cxCancel_Click();
    }
}

void SearchController::requestClose() {
    closed_ = true;
    cancel_ = true;
    if (running_ && statements_) statements_->cancel();
}

const std::vector<std::u16string>& SearchController::reasonsAt(int row) const {
    static const std::vector<std::u16string> none;
    if (row < 0 || static_cast<size_t>(row) >= reasons_.size()) return none;
    return reasons_[static_cast<size_t>(row)];
}

std::optional<int32_t> SearchController::patientAt(int row) const {
    if (row < 0 || static_cast<size_t>(row) >= resultIds_.size()) return std::nullopt;
    return resultIds_[static_cast<size_t>(row)];
}

}  // namespace scandrel::search
