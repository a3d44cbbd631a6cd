#pragma once
// The patients of one search run, in name order, as the run's loop takes them: each
// with its lower-cased search text, the values its result row needs and, for a
// patient that matched, where its words were found. Used by the search controller,
// on the thread that runs the search (the window's).
//
// The run's protocol with its feed:
//  1. open(): the database, the patient rows in name order (moved to the last row
//     and back), their number. Nothing else of the feed is used before it.
//  2. While !atEnd(): text() once, then matched(); for a patient that matched,
//     counter(), birthDate(), reasons() (when the run explains its matches) and
//     name(), in this order.
//  3. moveNext() once the patient is handled (listed, yielded for, not cancelled).
//  4. The feed is destroyed when the run ends, whichever way, also in the middle.
// Each failure (a database error, a field that does not exist, running out of
// memory) is thrown by the call at which a run reading the database itself, one
// patient at a time, would have met it; the run handles it as it always does.
//
// Two feeds keep this protocol: the patients built on the run's own thread as it asks
// for them (`PatientsHere`), and the patients built by two worker threads in a
// pipeline a bounded number ahead (`PatientsAhead`, patient_worker.h), which the run
// uses by default.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "db/run_cancel.h"
#include "search/patient_text.h"
#include "search/rich_text_buffer.h"
#include "text/value.h"

namespace scandrel::search {

// Opens the database a run searches, from the path the window holds.
using DatabaseOpener = std::function<db::Database(const std::u16string& path)>;

// What a run reads and how: where, which statement and columns, which words.
struct PatientReading {
    DatabaseOpener open;  // from the file when empty
    std::u16string path;
    std::u16string_view patientQuery;  // the patient rows in name order
    std::u16string_view nameColumn, counterColumn, birthDateColumn;
    std::vector<std::u16string> words;  // for the reasons of a match
    // The run's cancel of the statements sent to database servers, bound to the thread
    // that reads the database (null: none).
    std::shared_ptr<db::RunCancel> cancel;
    // Called on the run's thread, every few hundredths of a second, while it waits for
    // patients built on another (patient_worker.h): the run may let its window run.
    std::function<void()> whileWaiting;
};

class PatientFeed {
public:
    virtual ~PatientFeed() = default;

    virtual int32_t open() = 0;  // the number of patients
    virtual bool atEnd() = 0;
    // The normalised, lower-cased text of the patient at hand; valid until moveNext.
    virtual const std::u16string& text() = 0;
    // Whether that text holds every word of the run, where the feed looked already
    // (to explain the matches); nothing where the run must look itself. After text().
    virtual std::optional<bool> matched() { return std::nullopt; }
    virtual Value counter() = 0;
    virtual Value birthDate() = 0;  // its column is looked up at the first call
    virtual std::vector<std::u16string> reasons() = 0;
    virtual Value name() = 0;
    virtual void moveNext() = 0;
};

// The patients read and built on the calling thread, when the run asks for them: one
// patient's related rows at a time. Made, used and dropped on one thread, to which the
// run's cancel is bound meanwhile.
class PatientsHere final : public PatientFeed {
public:
    // `buffer` must outlive the feed and belong to the calling thread.
    PatientsHere(PatientReading reading, RichTextBuffer& buffer);
    // Without a buffer: the patients' values are only read (read()), their memos
    // converted elsewhere; text() and reasons() are not used.
    explicit PatientsHere(PatientReading reading);
    ~PatientsHere() override;

    int32_t open() override;
    bool atEnd() override { return patients_->eof(); }
    const std::u16string& text() override { return builder_->buildLowerCase(); }
    // The values of the patient at hand, memos unconverted (see PatientTextBuilder::read).
    void read(PatientValues& into, bool withSources) { builder_->read(into, withSources); }
    Value counter() override { return patients_->value(counterColumn_); }
    Value birthDate() override;
    std::vector<std::u16string> reasons() override;
    Value name() override { return patients_->value(nameColumn_); }
    void moveNext() override { patients_->moveNext(); }

private:
    PatientReading reading_;
    db::CancelOnThisThread cancel_;  // for as long as the database is read here
    RichTextBuffer* buffer_ = nullptr;
    std::optional<db::Database> database_;
    std::optional<db::Recordset> patients_;
    std::optional<PatientTextBuilder> builder_;
    int nameColumn_ = 0;
    int counterColumn_ = 0;
    std::optional<int> birthDateColumn_;
};

// Patients built ahead by default, in all: enough for the workers to run on through a
// few long patients, few enough that the texts kept stay small.
inline constexpr size_t kDefaultPatientsAhead = 64;
// Built ahead for a run whose thread also paints and answers a window: it stops for a
// few milliseconds at a time to do so, and the workers run on through such stops.
inline constexpr size_t kWindowPatientsAhead = 256;

// The feed a run uses: `ahead` patients built ahead by two worker threads when `buffer`
// lends itself to another thread, else the patients built on the calling thread.
std::unique_ptr<PatientFeed> makePatientFeed(PatientReading reading, RichTextBuffer& buffer, size_t ahead,
                                             bool explain);

}  // namespace scandrel::search
