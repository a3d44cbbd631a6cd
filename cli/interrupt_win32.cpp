#include "cli/interrupt.h"

#include <windows.h>

#include <atomic>

namespace scandrel::cli {
namespace {

// The console calls the handler on a thread of its own.
std::atomic<bool> interrupted{false};
std::atomic<bool> noted{false};

BOOL WINAPI onControl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    // The second one goes on to the default handler, which ends the process.
    if (noted.exchange(true)) return FALSE;
    interrupted = true;
    return TRUE;
}

}  // namespace

InterruptHandler::InterruptHandler() {
    interrupted = false;
    noted = false;
    SetConsoleCtrlHandler(onControl, TRUE);
}

InterruptHandler::~InterruptHandler() {
    SetConsoleCtrlHandler(onControl, FALSE);
}

bool takeInterrupt() {
    return interrupted.exchange(false);
}

}  // namespace scandrel::cli
