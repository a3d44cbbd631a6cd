#include "search/patient_worker.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <utility>

#include "search/match_reasons.h"
#include "search/search_words.h"
#include "text/normalize.h"

namespace scandrel::search {
namespace {

std::atomic<size_t> workersAlive{0};

// The longest the run waits for more patients once one is ready.
constexpr std::chrono::milliseconds kLongestWait{20};

// Counts a worker for as long as its thread runs its work.
class AliveWorker {
public:
    AliveWorker() { ++workersAlive; }
    ~AliveWorker() { --workersAlive; }
    AliveWorker(const AliveWorker&) = delete;
    AliveWorker& operator=(const AliveWorker&) = delete;
};

// Reads one value on a worker; a failure is kept, to be thrown where it is asked for.
template <class Into, class F>
void readInto(Into& into, F&& read) {
    into.failure = nullptr;
    try {
        into.value = read();
    } catch (...) {
        into.failure = std::current_exception();
    }
}

size_t half(size_t n) { return std::max<size_t>(1, n / 2); }

}  // namespace

size_t patientWorkersAlive() { return workersAlive.load(); }

template <class T>
T PatientsAhead::Read<T>::get() const {
    if (failure) std::rethrow_exception(failure);
    return value;
}

PatientsAhead::PatientsAhead(PatientReading reading, std::unique_ptr<RichTextBuffer> buffer, size_t ahead,
                             bool explain)
    : reading_(std::move(reading)),
      buffer_(std::move(buffer)),
      explain_(explain),
      ahead_(ahead),
      readerBound_(readerBound(ahead)),
      slots_(ahead + 1),
      runBatch_(half(ahead + 1)),
      converterBatch_(half(readerBound_)),
      readerBatch_(half(readerBound_)) {
    assert(ahead >= 1);
}

PatientsAhead::~PatientsAhead() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    readerWakes_.notify_all();
    converterWakes_.notify_all();
    if (converter_.joinable()) converter_.join();
    if (reader_.joinable()) reader_.join();
}

int32_t PatientsAhead::open() {
    reader_ = std::thread([this] { read(); });
    {
        std::unique_lock lock(mutex_);
        while (!runWakes_.wait_for(lock, kLongestWait, [this] { return opened_ || readerDone_; })) letRunWait(lock);
        if (!opened_) {
            if (failure_) std::rethrow_exception(failure_);
            throw std::logic_error("the patient reader ended before opening the database");
        }
    }
    converter_ = std::thread([this] { convert(); });
    return total_;
}

// ---- The reader: the database, on this thread alone.

void PatientsAhead::read() {
    const AliveWorker alive;
    std::exception_ptr failure;
    try {
        PatientsHere here(reading_);
        const int32_t total = here.open();
        {
            const std::lock_guard lock(mutex_);
            total_ = total;
            opened_ = true;
        }
        runWakes_.notify_all();
        readPatients(here);
    } catch (...) {
        failure = std::current_exception();
    }
    // The database and everything read from it are gone by now, on this thread.
    finish(readerDone_, failure);
    converterWakes_.notify_all();
    runWakes_.notify_all();  // open() waits for it when the database could not be opened
}

void PatientsAhead::readPatients(PatientsHere& here) {
    while (!here.atEnd()) {
        Slot* slot = slotToRead();
        if (slot == nullptr) return;  // asked to stop
        slot->textFailure = nullptr;
        try {
            here.read(slot->values, explain_);
        } catch (...) {
            // What was read goes on with the failure, which ends the pipeline at this patient.
            slot->textFailure = std::current_exception();
            handOverRead();
            return;
        }
        readInto(slot->counter, [&] { return here.counter(); });
        readInto(slot->birthDate, [&] { return here.birthDate(); });
        readInto(slot->name, [&] { return here.name(); });
        slot->moveFailure = nullptr;
        try {
            here.moveNext();
        } catch (...) {
            slot->moveFailure = std::current_exception();
        }
        const bool moved = !slot->moveFailure;
        handOverRead();
        if (!moved) return;
    }
}

// Whether the reader may start its next patient with `wanted` slots free for it, in
// all and ahead of the converter.
bool PatientsAhead::readerMayStart(size_t wanted) const {
    const size_t inUse = read_ - taken_;
    const size_t aheadOfConverter = read_ - converted_;
    return inUse + wanted <= slots_.size() && aheadOfConverter + wanted <= readerBound_;
}

// Whether a waiting reader is worth waking: it may start, and a batch of slots is free
// for it in one of its two bounds (the other may be unable to free more: the run holds
// its patients while it yields).
bool PatientsAhead::readerMayGoOn() const {
    const size_t freeInAll = slots_.size() - (read_ - taken_);
    const size_t freeOfItsOwn = readerBound_ - (read_ - converted_);
    return readerMayStart(1) && (freeInAll >= runBatch_ || freeOfItsOwn >= readerBatch_);
}

PatientsAhead::Slot* PatientsAhead::slotToRead() {
    std::unique_lock lock(mutex_);
    if (!stop_ && !readerMayStart(1)) {
        // Woken once a batch of slots is free, not at every one.
        readerWaits_ = true;
        readerWakes_.wait(lock, [this] { return stop_ || readerMayGoOn(); });
        readerWaits_ = false;
    }
    if (stop_) return nullptr;
    return &slots_[read_ % slots_.size()];
}

void PatientsAhead::handOverRead() {
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        ++read_;
        wake = converterWaits_ && read_ - converted_ >= converterBatch_;
    }
    if (wake) converterWakes_.notify_one();
}

// ---- The converter: rich text, normalisation and reasons, with a buffer of its own.

void PatientsAhead::convert() {
    const AliveWorker alive;
    std::exception_ptr failure;
    try {
        std::optional<WordMatcher> matcher;
        if (explain_) matcher.emplace(reading_.words);
        while (Slot* slot = slotToConvert()) {
            if (!slot->textFailure) {
                try {
                    convertOne(*slot, matcher ? &*matcher : nullptr);
                } catch (...) {
                    slot->textFailure = std::current_exception();
                }
            }
            const bool failed = slot->textFailure != nullptr;
            handOverConverted();
            if (failed) break;
        }
    } catch (...) {
        failure = std::current_exception();
    }
    finish(converterDone_, failure);
    runWakes_.notify_all();
    readerWakes_.notify_all();
}

void PatientsAhead::convertOne(Slot& slot, const WordMatcher* matcher) {
    PatientValues& values = slot.values;
    slot.reasons = {};
    slot.matched.reset();
    if (matcher == nullptr) {
        appendConvertedMemos(values, *buffer_);
        text::normalizeLowerCaseInPlace(values.text);
        return;
    }
    // The sources need the text as written and where each memo went in it.
    const size_t offset = values.text.size();
    std::vector<size_t> plainEnds;
    appendConvertedMemos(values, *buffer_, &plainEnds);
    values.sources.text = values.text;
    text::normalizeLowerCaseInPlace(values.text);
    // The same match as the run's, handed to it: only a listed patient's reasons are built.
    slot.matched = matcher->allFoundIn(values.text);
    if (!*slot.matched) return;
    readInto(slot.reasons, [&] {
        if (values.sourcesFailure) std::rethrow_exception(values.sourcesFailure);
        placeMemos(values, offset, plainEnds);
        return reasonLines(findWords(values.sources, reading_.words));
    });
}

PatientsAhead::Slot* PatientsAhead::slotToConvert() {
    std::unique_lock lock(mutex_);
    if (!stop_ && read_ == converted_ && !readerDone_) {
        converterWaits_ = true;
        converterWakes_.wait(lock, [this] {
            return stop_ || readerDone_ || read_ - converted_ >= converterBatch_ || (converterHurried_ && read_ > converted_);
        });
        converterWaits_ = false;
        converterHurried_ = false;
    }
    if (stop_ || read_ == converted_) return nullptr;  // stopped, or the reader done and caught up
    return &slots_[converted_ % slots_.size()];
}

void PatientsAhead::handOverConverted() {
    bool wakeRun = false;
    bool wakeReader = false;
    {
        const std::lock_guard lock(mutex_);
        ++converted_;
        wakeRun = runWaits_ && converted_ - taken_ >= runBatch_;
        wakeReader = readerWaits_ && readerMayGoOn();
    }
    if (wakeRun) runWakes_.notify_one();
    if (wakeReader) readerWakes_.notify_one();
}

void PatientsAhead::finish(bool& done, std::exception_ptr failure) {
    const std::lock_guard lock(mutex_);
    done = true;
    if (failure && !failure_) failure_ = std::move(failure);
}

// ---- The run's side.

bool PatientsAhead::atEnd() {
    std::unique_lock lock(mutex_);
    if (converted_ == taken_ && !converterDone_) {
        // Woken once a batch of patients is built, not at every one; but a patient
        // that is ready waits no longer than kLongestWait, so that the window yields.
        runWaits_ = true;
        const auto deadline = std::chrono::steady_clock::now() + kLongestWait;
        const auto ready = [this] { return converted_ - taken_; };
        auto look = deadline;  // nothing built for a while: the run's thread may do something else
        while (!(ready() >= runBatch_ || converterDone_ ||
                 (ready() > 0 && std::chrono::steady_clock::now() >= deadline))) {
            if (ready() == 0 && std::chrono::steady_clock::now() >= look) {
                // Patients read wait for the converter, which waits for a batch: a reader
                // held up by the database would keep them from the run (1).
                if (read_ > converted_ && converterWaits_) {
                    converterHurried_ = true;
                    converterWakes_.notify_one();
                }
                letRunWait(lock);
                look = std::chrono::steady_clock::now() + kLongestWait;
                continue;
            }
            runWakes_.wait_until(lock, ready() > 0 ? deadline : std::chrono::steady_clock::now() + kLongestWait);
        }
        runWaits_ = false;
    }
    if (converted_ > taken_) {
        const Slot& slot = current();
        if (slot.textFailure) std::rethrow_exception(slot.textFailure);
        return false;
    }
    if (failure_) std::rethrow_exception(failure_);
    return true;
}

void PatientsAhead::letRunWait(std::unique_lock<std::mutex>& lock) {
    if (!reading_.whileWaiting) return;
    lock.unlock();
    reading_.whileWaiting();
    lock.lock();
}

// The slot of the patient the run holds: only the run's thread moves taken_, and the
// workers leave a converted slot alone until it is given back.
const PatientsAhead::Slot& PatientsAhead::current() const { return slots_[taken_ % slots_.size()]; }

const std::u16string& PatientsAhead::text() { return current().values.text; }
std::optional<bool> PatientsAhead::matched() { return current().matched; }
Value PatientsAhead::counter() { return current().counter.get(); }
Value PatientsAhead::birthDate() { return current().birthDate.get(); }
std::vector<std::u16string> PatientsAhead::reasons() { return current().reasons.get(); }
Value PatientsAhead::name() { return current().name.get(); }

void PatientsAhead::moveNext() {
    if (current().moveFailure) std::rethrow_exception(current().moveFailure);
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        assert(converted_ > taken_ && "moveNext without a patient at hand");
        ++taken_;
        wake = readerWaits_ && readerMayGoOn();
    }
    if (wake) readerWakes_.notify_one();
}

}  // namespace scandrel::search
