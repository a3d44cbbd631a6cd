#pragma once
// The patients of a search run built by a worker thread, at most a fixed number ahead
// of the run's thread (the window's), and taken by the run in name order. Both cores
// work: the worker reads the database and builds each patient's text (related rows,
// rich text, decoding, normalisation); the run's thread only matches, lists, reports
// progress and yields.
//
// Protocol between the two threads (one mutex, one condition for each direction; a
// side that has to wait is woken once half the slots are ready for it, not at each):
//  1. open() starts the worker and waits for it to open the database; its failure
//     (3024, 3078, 3021, ...) is thrown there. While the run's thread waits here or in
//     atEnd with nothing built, it calls the reading's whileWaiting every kLongestWait,
//     outside the lock.
//  2. The worker owns the database, its record sets and its own rich-text buffer: they
//     are made, read and destroyed on the worker alone, so the engine and its page
//     cache see one thread, as they expect. Only finished values cross over.
//  3. For each patient, the worker waits for a free slot (there are `ahead` + 1: the
//     patient the run holds and `ahead` more), fills it outside the lock (the text,
//     the counter, name and birth date, the reasons when the run explains its matches
//     and the worker's own match says they will be asked for, then the move to the
//     next row), and hands it over. A value whose reading failed holds the failure,
//     thrown on the run's thread where that value is asked for.
//  4. A patient whose text fails ends the worker: the failure is thrown by atEnd, just
//     before the run would have built that text itself. So does the end of the rows.
//  5. moveNext gives the slot back (a failed move is thrown there).
//  6. The destructor, on the run's thread, asks the worker to stop, which it sees at
//     its next wait or its next patient, and joins it: what was built ahead is
//     discarded and no thread outlives the run, whichever way it ends.
//
// Departure from reading one patient at a time: at most `ahead` + 1 patients' texts
// (and their values and reasons) exist at once; the related record sets of one patient
// at a time, on the worker.
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
#include "search/rich_text_buffer.h"
#include "text/value.h"

namespace scandrel::search {

// Worker threads of search runs alive in this process (tests: none outlives its run).
size_t patientWorkersAlive();

class PatientsAhead final : public PatientFeed {
public:
    // `buffer` converts rich text on the worker; `ahead` is at least 1.
    PatientsAhead(PatientReading reading, std::unique_ptr<RichTextBuffer> buffer, size_t ahead, bool explain);
    ~PatientsAhead() override;
    PatientsAhead(const PatientsAhead&) = delete;
    PatientsAhead& operator=(const PatientsAhead&) = delete;

    int32_t open() override;
    bool atEnd() override;
    const std::u16string& text() override;
    Value counter() override;
    Value birthDate() override;
    std::vector<std::u16string> reasons() override;
    Value name() override;
    void moveNext() override;

private:
    // A value read on the worker, or why it could not be.
    template <class T>
    struct Read {
        T value{};
        std::exception_ptr failure;
        T get() const;
    };
    struct Slot {
        std::u16string text;
        Read<Value> counter, birthDate, name;
        Read<std::vector<std::u16string>> reasons;
        std::exception_ptr moveFailure;
    };

    void work();
    void produce(PatientsHere& here);
    Slot* freeSlot();
    void handOver();
    void finish(std::exception_ptr failure);
    // The run's thread, waiting with nothing built, calls reading_.whileWaiting.
    void letRunWait(std::unique_lock<std::mutex>& lock);
    const Slot& current();

    PatientReading reading_;
    std::unique_ptr<RichTextBuffer> buffer_;
    bool explain_;

    std::mutex mutex_;
    std::condition_variable filled_;  // the run waits: a slot filled, opened, or the worker done
    std::condition_variable freed_;   // the worker waits: a slot free, or stop
    std::vector<Slot> slots_;
    size_t first_ = 0;   // the slot of the patient the run holds (or will hold next)
    size_t count_ = 0;   // slots filled and not yet given back
    const size_t batch_;  // a waiting side is woken when this many slots are ready for it
    bool runWaits_ = false;
    bool workerWaits_ = false;
    bool opened_ = false;
    int32_t total_ = 0;
    bool done_ = false;  // the worker produces no more
    std::exception_ptr failure_;  // why, when it was not the end of the rows
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace scandrel::search
