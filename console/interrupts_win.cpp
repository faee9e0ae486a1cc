#include <windows.h>

#include <atomic>
#include <cstdio>

#include "console/interrupts.h"
#include "platform/clock.h"

namespace {

// Windows ends the process when a close, log-off or shut-down handler
// returns (or after its own few seconds); the handler holds the end off
// this long at most, longer than any download takes.
constexpr DWORD kCloseHoldMs = 120000;
constexpr DWORD kCloseHoldPollMs = 50;

std::atomic<int> phase{kBeforeDownload};

BOOL WINAPI OnConsoleEvent(DWORD event) {
    int expected = kBeforeDownload;
    if (phase.compare_exchange_strong(expected, kStopped)) return TRUE;
    if (expected != kDownloading) return TRUE;
    std::fputs(kHeldOffLine, stderr);
    std::fflush(stderr);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // The console is going: the process ends once this returns, so the
    // download's end is awaited here.
    for (DWORD waited = 0; phase.load() == kDownloading && waited < kCloseHoldMs;
         waited += kCloseHoldPollMs)
        WaitMs(kCloseHoldPollMs);
    return TRUE;
}

}  // namespace

void InstallInterruptGuard() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

bool Interrupted() { return phase.load() == kStopped; }

bool EnterDownload() {
    int expected = kBeforeDownload;
    return phase.compare_exchange_strong(expected, kDownloading);
}

void WorkerStarted() {}

void LeaveDownload() { phase.store(kDownloaded); }
