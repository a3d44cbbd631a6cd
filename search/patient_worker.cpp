#include "search/patient_worker.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <utility>

#include "search/search_words.h"

namespace scandrel::search {
namespace {

std::atomic<size_t> workersAlive{0};

// The longest the run waits for more patients once one is ready.
constexpr std::chrono::milliseconds kLongestWait{20};

// Counts the worker for as long as its thread runs its work.
class AliveWorker {
public:
    AliveWorker() { ++workersAlive; }
    ~AliveWorker() { --workersAlive; }
    AliveWorker(const AliveWorker&) = delete;
    AliveWorker& operator=(const AliveWorker&) = delete;
};

}  // namespace

size_t patientWorkersAlive() { return workersAlive.load(); }

template <class T>
T PatientsAhead::Read<T>::get() const {
    if (failure) std::rethrow_exception(failure);
    return value;
}

namespace {

// Reads one value on the worker; a failure is kept, to be thrown where it is asked for.
template <class Slot, class F>
void readInto(Slot& into, F&& read) {
    into.failure = nullptr;
    try {
        into.value = read();
    } catch (...) {
        into.failure = std::current_exception();
    }
}

}  // namespace

PatientsAhead::PatientsAhead(PatientReading reading, std::unique_ptr<RichTextBuffer> buffer, size_t ahead,
                             bool explain)
    : reading_(std::move(reading)),
      buffer_(std::move(buffer)),
      explain_(explain),
      slots_(ahead + 1),
      batch_(std::max<size_t>(1, (ahead + 1) / 2)) {
    assert(ahead >= 1);
}

PatientsAhead::~PatientsAhead() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    freed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

int32_t PatientsAhead::open() {
    thread_ = std::thread([this] { work(); });
    std::unique_lock lock(mutex_);
    while (!filled_.wait_for(lock, kLongestWait, [this] { return opened_ || done_; })) letRunWait(lock);
    if (opened_) return total_;
    if (failure_) std::rethrow_exception(failure_);
    throw std::logic_error("the patient worker ended before opening the database");
}

void PatientsAhead::work() {
    const AliveWorker alive;
    std::exception_ptr failure;
    try {
        PatientsHere here(reading_, *buffer_);
        const int32_t total = here.open();
        {
            const std::lock_guard lock(mutex_);
            total_ = total;
            opened_ = true;
        }
        filled_.notify_all();
        produce(here);
    } catch (...) {
        failure = std::current_exception();
    }
    // The database and everything read from it are gone by now, on this thread.
    finish(failure);
}

void PatientsAhead::produce(PatientsHere& here) {
    std::optional<WordMatcher> matcher;
    if (explain_) matcher.emplace(reading_.words);
    while (!here.atEnd()) {
        Slot* slot = freeSlot();
        if (slot == nullptr) return;  // asked to stop
        // The builder gets the slot's old text back, and with it its capacity.
        std::swap(slot->text, here.textToTake());
        readInto(slot->counter, [&] { return here.counter(); });
        readInto(slot->birthDate, [&] { return here.birthDate(); });
        readInto(slot->name, [&] { return here.name(); });
        slot->reasons = {};
        // The same match as the run's: only a listed patient's reasons are built.
        if (matcher && matcher->allFoundIn(slot->text)) readInto(slot->reasons, [&] { return here.reasons(); });
        slot->moveFailure = nullptr;
        try {
            here.moveNext();
        } catch (...) {
            slot->moveFailure = std::current_exception();
        }
        const bool moved = !slot->moveFailure;
        handOver();
        if (!moved) return;
    }
}

PatientsAhead::Slot* PatientsAhead::freeSlot() {
    std::unique_lock lock(mutex_);
    if (!stop_ && count_ == slots_.size()) {
        // Woken once a batch of slots is free, not at every one.
        workerWaits_ = true;
        freed_.wait(lock, [this] { return stop_ || slots_.size() - count_ >= batch_; });
        workerWaits_ = false;
    }
    if (stop_) return nullptr;
    return &slots_[(first_ + count_) % slots_.size()];
}

void PatientsAhead::handOver() {
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        ++count_;
        wake = runWaits_ && (count_ >= batch_ || count_ == slots_.size());
    }
    if (wake) filled_.notify_one();
}

void PatientsAhead::finish(std::exception_ptr failure) {
    {
        const std::lock_guard lock(mutex_);
        done_ = true;
        failure_ = std::move(failure);
    }
    filled_.notify_all();
}

bool PatientsAhead::atEnd() {
    std::unique_lock lock(mutex_);
    if (count_ == 0 && !done_) {
        // Woken once a batch of patients is built, not at every one; but a patient
        // that is ready waits no longer than kLongestWait, so that the window yields.
        runWaits_ = true;
        const auto deadline = std::chrono::steady_clock::now() + kLongestWait;
        auto look = deadline;  // nothing built for a while: the run's thread may do something else
        while (!(count_ >= batch_ || done_ || (count_ > 0 && std::chrono::steady_clock::now() >= deadline))) {
            if (count_ == 0 && std::chrono::steady_clock::now() >= look) {
                letRunWait(lock);
                look = std::chrono::steady_clock::now() + kLongestWait;
                continue;
            }
            filled_.wait_until(lock, count_ > 0 ? deadline : std::chrono::steady_clock::now() + kLongestWait);
        }
        runWaits_ = false;
    }
    if (count_ > 0) return false;
    if (failure_) std::rethrow_exception(failure_);
    return true;
}

void PatientsAhead::letRunWait(std::unique_lock<std::mutex>& lock) {
    if (!reading_.whileWaiting) return;
    lock.unlock();
    reading_.whileWaiting();
    lock.lock();
}

// The slot of the patient the run holds: only the run's thread moves first_, and the
// worker leaves a filled slot alone until it is given back.
const PatientsAhead::Slot& PatientsAhead::current() { return slots_[first_]; }

const std::u16string& PatientsAhead::text() { return current().text; }
Value PatientsAhead::counter() { return current().counter.get(); }
Value PatientsAhead::birthDate() { return current().birthDate.get(); }
std::vector<std::u16string> PatientsAhead::reasons() { return current().reasons.get(); }
Value PatientsAhead::name() { return current().name.get(); }

void PatientsAhead::moveNext() {
    if (current().moveFailure) std::rethrow_exception(current().moveFailure);
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        assert(count_ > 0 && "moveNext without a patient at hand");
        first_ = (first_ + 1) % slots_.size();
        --count_;
        wake = workerWaits_ && slots_.size() - count_ >= batch_;
    }
    if (wake) freed_.notify_one();
}

}  // namespace scandrel::search
