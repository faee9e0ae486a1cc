#include <windows.h>

#include <cstdio>

#include "platform/clock.h"
#include "platform/interrupts.h"
#include "platform/terminal.h"
#include "platform/word_wrap.h"

namespace {

// Windows ends the process when a close, log-off or shut-down handler
// returns, or a few seconds after the event whatever the handler does; the
// handler waits this long at most, so that a download near its end may
// still finish in those seconds.
constexpr DWORD kCloseHoldMs = 120000;
constexpr DWORD kCloseHoldPollMs = 50;

// Begun on a line of its own whatever was on the last, and wrapped once,
// at installation, for standard error's width.
std::string cut;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    if (TakeInterrupt(event == CTRL_CLOSE_EVENT) != kDownloading || interrupt) return TRUE;
    std::fputs(cut.c_str(), stderr);
    std::fflush(stderr);
    // The console is going: the process ends once this returns (or when
    // the system's few seconds are up), so the download's end is awaited here.
    for (DWORD waited = 0; DownloadRunning() && waited < kCloseHoldMs;
         waited += kCloseHoldPollMs)
        WaitMs(kCloseHoldPollMs);
    return TRUE;
}

}  // namespace

void InstallInterruptGuard(const std::string& program) {
    cut = "\n" + Wrapped(program + ": Windows is ending this program (console closed, log-off or shut-down) while "
                         "the camera's flash is being written; the download may be cut. If it is, keep the camera "
                         "plugged in and run " + program + " again.", LineWidth(stderr), "");
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

// Console events come on a thread of the system's own, never the worker's.
void MaskInterruptsInThisThread(bool) {}
