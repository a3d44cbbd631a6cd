#include "cli/interrupt.h"

#include <csignal>

namespace scandrel::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;
struct sigaction previous {};

extern "C" void onInterrupt(int) { interrupted = 1; }

}  // namespace

InterruptHandler::InterruptHandler() {
    interrupted = 0;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;  // output interrupted by Ctrl-C carries on
    ::sigaction(SIGINT, &action, &previous);
}

InterruptHandler::~InterruptHandler() {
    ::sigaction(SIGINT, &previous, nullptr);
}

bool takeInterrupt() {
    if (!interrupted) return false;
    interrupted = 0;
    return true;
}

}  // namespace scandrel::cli
