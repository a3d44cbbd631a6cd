#pragma once
// The search behind one search window: the find and cancel buttons, the keys of the
// search box, closing, and which patient a result row stands for. Every window has
// its own controller, so its results and its cancel request are its own. Used on the
// window's thread; a run builds its patients' texts on a worker thread of its own
// (patient_worker.h), which has ended by the time cxFind_Click returns.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/run_cancel.h"
#include "search/patient_feed.h"
#include "search/rich_text_buffer.h"
#include "search/search_view.h"
#include "text/error.h"
#include "text/progress.h"

namespace scandrel::search {

// How the last run ended.
enum class RunOutcome : uint8_t {
    None,             // no run yet
    Completed,        // every patient scanned
    Cancelled,        // stopped by the cancel button, Escape or closing the window
    EmptySearchText,  // nothing typed; no database opened
    EmptyDatabase,    // the patient table has no rows
    Failed,           // a database or other error, shown in a message box
};

class SearchController {
public:
    // `view` and `buffer` must outlive the controller; both are used on the thread
    // that calls cxFind_Click, and the buffer also lends the run's worker thread one
    // of its own (rich_text_buffer.h). The clock is read for the
    // time-left estimate. The database is opened from its file unless `open` says
    // otherwise (benchmarks: a file read through a source that counts or waits).
    SearchController(SearchView& view, RichTextBuffer& buffer,
                     text::Clock clock = text::secondsSinceMidnight, DatabaseOpener open = {});
    SearchController(const SearchController&) = delete;
    SearchController& operator=(const SearchController&) = delete;

    // Full path of the database to search; read at the start of every run.
    void setDbName(const std::u16string& path) { dbName_ = path; }
    const std::u16string& dbName() const { return dbName_; }

    // The find button: scans every patient, listing those whose text holds every
    // typed word. Returns when the run is over; yields through the view's doEvents
    // once per patient. Does nothing while a run is active or after close.
    void cxFind_Click();
    // The cancel button: the running scan stops after the patient at hand, and a
    // statement a database server is answering for it is cancelled.
    void cxCancel_Click();
    // A character typed in the search box: Enter finds (ignored while a run is
    // active), Escape cancels, anything else does nothing.
    void onSearchBoxKey(char16_t key);
    // The window is closing: a running scan stops at its next check and then leaves
    // the view alone. The controller itself must stay alive until cxFind_Click has
    // returned.
    void requestClose();

    // Whether each listed patient gets the reasons it matched (where each word was
    // found), at the cost of building its text once more. Off unless asked for.
    void setExplainMatches(bool explain) { explain_ = explain; }
    // How many patients the worker threads build ahead of the run, in all (the
    // reader and the converter of patient_worker.h); 0 builds each one
    // on the run's thread when it is reached. kDefaultPatientsAhead unless changed.
    void setPatientsAhead(size_t ahead) { patientsAhead_ = ahead; }
    // The reasons of result row `row`, one line per word; none when the row has no
    // patient of this window's last run or reasons were not asked for.
    const std::vector<std::u16string>& reasonsAt(int row) const;

    // The patient counter of result row `row` (counting from 0), or nothing when no
    // row is selected (-1) or the row has no patient of this window's last run.
    std::optional<int32_t> patientAt(int row) const;

    bool running() const { return running_; }
    bool closed() const { return closed_; }
    const std::vector<int32_t>& resultIds() const { return resultIds_; }
    // Rows added by the running search; 0 between runs.
    int32_t resultCount() const { return resultCount_; }
    RunOutcome lastOutcome() const { return outcome_; }
    // The error that ended the last run, when it failed: its number and the
    // description the failing part gave (the window shows its own texts for some).
    const std::optional<Error>& lastFailure() const { return failure_; }

private:
    void scan(const std::vector<std::u16string>& words, int32_t& found);
    void handleFailure(int32_t number, const std::u16string& description);
    void showCompletion(int32_t found);
    void restore();

    SearchView& view_;
    RichTextBuffer& buffer_;
    text::Clock clock_;
    DatabaseOpener open_;
    std::u16string dbName_;
    std::vector<int32_t> resultIds_;
    std::vector<std::vector<std::u16string>> reasons_;  // by row, when explain_
    bool explain_ = false;
    size_t patientsAhead_ = kDefaultPatientsAhead;
    int32_t resultCount_ = 0;
    bool cancel_ = false;
    // The running search's statements on database servers; a new one for every run.
    std::shared_ptr<db::RunCancel> statements_;
    bool closed_ = false;
    bool running_ = false;
    RunOutcome outcome_ = RunOutcome::None;
    std::optional<Error> failure_;
};

}  // namespace scandrel::search
