#pragma once
// The patients of a search run built by two worker threads in a pipeline, at most a
// fixed number ahead of the run's thread (the window's), and taken by the run in name
// order. The reader reads each patient's row and related rows from the database; the
// converter turns its memos into plain text, joins and normalises the text and finds
// the reasons of a match; the run's thread only matches, lists, reports progress and
// yields.
//
// Protocol among the three threads (one mutex over the cursors below, one condition
// for each thread that may wait; a waiting side is woken once a batch, about half its
// bound, is ready for it, not at each patient):
//  1. open() starts the reader and waits for it to open the database; its failure
//     (3024, 3078, 3021, ...) is thrown there. The converter starts once it is open.
//     While the run's thread waits here or in atEnd with nothing built, it calls the
//     reading's whileWaiting every kLongestWait, outside the lock; in atEnd it first
//     wakes a waiting converter for the patients read so far, fewer than its batch,
//     so that a reader held up by the database (a slow or stopped server) keeps none
//     of the patients it read before from the run.
//  2. The reader owns the database, its record sets and the builder of the values:
//     they are made, read and destroyed on the reader alone, so the engine and its
//     page cache see one thread, as they expect. The converter owns its rich-text
//     buffer. Only values read (texts, memos as stored, counter, name, birth date)
//     cross over, never a record set.
//  3. Patient i lives in slot i mod (`ahead` + 1) from the moment the reader starts
//     it until the run gives it back. Three cursors, taken <= converted <= read, say
//     who holds which slot: slots [taken, converted) are the run's (the first is the
//     patient at hand), [converted, read) wait for the converter, the slot at read is
//     the reader's. Each stage works on its slot outside the lock.
//  4. Bounds: the reader starts patient `read` only while read - taken <= `ahead` (at
//     most `ahead` patients exist beyond the one the run holds, in either stage) and
//     read - converted < readerBound(`ahead`) (the reader at most that many patients
//     ahead of the converter). A reader that waits is woken when it may start and a
//     batch is free in one of the two bounds: the run holds its patients while it
//     yields, so the other may free no more.
//  5. The reader fills a slot (the values, memos unconverted; the sources of every
//     value when the run explains its matches; counter, birth date and name; then
//     the move to the next row) and advances `read`. The converter converts the
//     memos in place, normalises and lower-cases the text, and, when the run explains
//     its matches and its own match says they will be asked for, builds the reasons;
//     then advances `converted`. A value whose reading failed holds the failure,
//     thrown on the run's thread where that value is asked for.
//  6. A patient whose text fails, in either stage, ends the pipeline there: the slot
//     goes on with its failure, and atEnd throws it when that patient comes up, just
//     before the run would have built that text itself. The end of the rows ends the
//     reader, and the converter once it has caught up.
//  7. moveNext gives the slot back and advances `taken` (a failed move is thrown there).
//  8. The destructor, on the run's thread, asks both workers to stop, which each sees
//     at its next wait or its next patient, and joins them: what either stage built
//     ahead is discarded and no thread outlives the run, whichever way it ends.
//
// Departure from reading one patient at a time: at most `ahead` + 1 patients' values
// and texts (and their reasons) exist at once; the related record sets of one patient
// at a time, on the reader.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "search/patient_feed.h"
#include "search/patient_text.h"
#include "search/rich_text_buffer.h"
#include "text/value.h"

namespace scandrel::search {

class WordMatcher;

// Worker threads of search runs alive in this process (tests: none outlives its run).
size_t patientWorkersAlive();

class PatientsAhead final : public PatientFeed {
public:
    // The threads a run of this feed adds to the process.
    static constexpr size_t kThreads = 2;
    // How far the reader may get ahead of the converter, for `ahead` in all.
    static size_t readerBound(size_t ahead) { return ahead / 2 > 0 ? ahead / 2 : 1; }

    // `buffer` converts rich text on the converter; `ahead` is at least 1.
    PatientsAhead(PatientReading reading, std::unique_ptr<RichTextBuffer> buffer, size_t ahead, bool explain);
    ~PatientsAhead() override;
    PatientsAhead(const PatientsAhead&) = delete;
    PatientsAhead& operator=(const PatientsAhead&) = delete;

    int32_t open() override;
    bool atEnd() override;
    const std::u16string& text() override;
    std::optional<bool> matched() override;
    Value counter() override;
    Value birthDate() override;
    std::vector<std::u16string> reasons() override;
    Value name() override;
    void moveNext() override;

private:
    // A value read by a worker, or why it could not be.
    template <class T>
    struct Read {
        T value{};
        std::exception_ptr failure;
        T get() const;
    };
    struct Slot {
        PatientValues values;  // the reader's; the converter turns values.text into the search text
        std::exception_ptr textFailure;  // the patient's text could not be built: the pipeline ends here
        std::optional<bool> matched;  // looked at by the converter when the run explains its matches
        Read<Value> counter, birthDate, name;
        Read<std::vector<std::u16string>> reasons;
        std::exception_ptr moveFailure;
    };

    void read();
    void readPatients(PatientsHere& here);
    void convert();
    void convertOne(Slot& slot, const WordMatcher* matcher);
    bool readerMayStart(size_t wanted) const;
    bool readerMayGoOn() const;
    Slot* slotToRead();
    void handOverRead();
    Slot* slotToConvert();
    void handOverConverted();
    void finish(bool& done, std::exception_ptr failure);
    const Slot& current() const;
    // The run's thread, waiting with nothing built, calls reading_.whileWaiting.
    void letRunWait(std::unique_lock<std::mutex>& lock);

    PatientReading reading_;
    std::unique_ptr<RichTextBuffer> buffer_;
    const bool explain_;
    const size_t ahead_;
    const size_t readerBound_;

    std::mutex mutex_;
    std::condition_variable runWakes_;        // a patient converted, opened, or the converter done
    std::condition_variable converterWakes_;  // a patient read, the reader done, or stop
    std::condition_variable readerWakes_;     // a slot free for the reader, or stop
    std::vector<Slot> slots_;
    size_t taken_ = 0;      // patients the run has given back; it holds patient taken_
    size_t converted_ = 0;  // patients the converter has handed over
    size_t read_ = 0;       // patients the reader has handed over
    const size_t runBatch_, converterBatch_, readerBatch_;  // when a waiting side is woken
    bool runWaits_ = false;
    bool converterWaits_ = false;
    bool converterHurried_ = false;  // the run waits with nothing built: convert what is read
    bool readerWaits_ = false;
    bool opened_ = false;
    int32_t total_ = 0;
    bool readerDone_ = false;     // the reader hands over no more
    bool converterDone_ = false;  // the converter hands over no more
    std::exception_ptr failure_;  // why, when it was not the end of the rows nor a patient's text
    bool stop_ = false;
    std::thread reader_;
    std::thread converter_;
};

}  // namespace scandrel::search
