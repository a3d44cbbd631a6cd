#pragma once
// The cancel of one run's statements on database servers (the search's "Cancelar",
// Ctrl-C, its window closing): given on any thread, it reaches the statement that is
// being sent or read at that moment on another, and keeps every later one from
// starting. Made by the run; bound to the thread that sends the run's statements for
// as long as a CancelOnThisThread lives there; cancel(), cancelled() and running()
// from any thread.
//
// Protocol of a statement with the cancel of its thread (StatementDeadline keeps it):
//  1. Before the statement is sent it registers with the cancel; a cancel given
//     already fails it there with 3059, before anything reaches the server.
//  2. cancel() marks the run cancelled and, under the cancel's lock, wakes the watcher
//     of every registered statement, which calls SQLCancel on the statement's handle
//     (and again every kCancelAgain for as long as the statement stays in a call: a
//     cancel that came just before the driver began the call).
//  3. Every call that fails after the cancel, and a fetch that ends after it, gives
//     3059, whatever the driver says: the user's cancel, not a database error.
//  4. The registration ends before the statement's handle is freed, under the same
//     lock, so the watcher is never woken for a handle that is gone.
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace scandrel::db::odbc {

// Made with std::make_shared: a thread that sends statements for another binds the
// same cancel (ofThisThread).
class StatementCancel : public std::enable_shared_from_this<StatementCancel> {
public:
    // How often a statement that stays in a call is cancelled again.
    static constexpr std::chrono::milliseconds kCancelAgain{250};

    void cancel();
    bool cancelled() const;
    // Whether a statement of the run is being sent or read at this moment.
    bool running() const;
    // For how long the oldest of those has been; zero when there is none.
    std::chrono::steady_clock::duration longestRunning() const;

    // The cancel bound to the calling thread; null when there is none.
    static std::shared_ptr<StatementCancel> ofThisThread();

    // A statement's registration for its life (1, 4): `wake` is called, under the
    // cancel's lock, when the run is cancelled. 3059 when it is cancelled already.
    class Registration {
    public:
        Registration(StatementCancel* cancel, std::function<void()> wake);
        ~Registration();
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;

    private:
        StatementCancel* cancel_;
        std::function<void()> wake_;
    };

private:
    mutable std::mutex mutex_;
    bool cancelled_ = false;
    struct Running {
        const std::function<void()>* wake;
        std::chrono::steady_clock::time_point since;
    };
    std::vector<Running> running_;
};

// Binds `cancel` to the calling thread for as long as it lives (the one before it
// comes back after). Made and dropped on the same thread; null binds none.
class CancelOnThisThread {
public:
    explicit CancelOnThisThread(std::shared_ptr<StatementCancel> cancel);
    ~CancelOnThisThread();
    CancelOnThisThread(const CancelOnThisThread&) = delete;
    CancelOnThisThread& operator=(const CancelOnThisThread&) = delete;

private:
    std::shared_ptr<StatementCancel> cancel_;
    StatementCancel* previous_;
};

}  // namespace scandrel::db::odbc
