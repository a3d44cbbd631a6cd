#pragma once
// Ctrl-C as the search's cancel button: while an InterruptHandler lives, the first
// Ctrl-C is only noted (taken with takeInterrupt()), and a second one ends the
// program at once.
namespace scandrel::cli {

class InterruptHandler {
public:
    InterruptHandler();
    ~InterruptHandler();
    InterruptHandler(const InterruptHandler&) = delete;
    InterruptHandler& operator=(const InterruptHandler&) = delete;
};

// True once for every Ctrl-C noted since the last call.
bool takeInterrupt();

}  // namespace scandrel::cli
