#include <signal.h>
#include <pthread.h>

#include "platform/interrupts.h"

namespace {

// Everything that ends or stops a program by default and that a user or
// the system sends in ordinary use: interrupt, terminate, the terminal
// hanging up (a closed window, a dropped SSH session), quit, and the job
// control stops (Ctrl-Z, a background job touching the terminal). A stop
// mid-download is a cut download for as long as nobody continues it.
constexpr int kHeldOff[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP, SIGTTIN, SIGTTOU};

void OnSignal(int sig) { TakeInterrupt(sig == SIGHUP); }

}  // namespace

// Nothing here is said during the download that a Linux system cuts.
void InstallInterruptGuard(const std::string&) {
    // A reader that goes away (`| head`, a dead log pipe) makes a write
    // fail with EPIPE; it must never end the program, least of all
    // mid-download.
    signal(SIGPIPE, SIG_IGN);
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a question waiting for an answer returns and sees it.
    action.sa_flags = 0;
    for (int sig : kHeldOff) sigaction(sig, &action, nullptr);
}

// While the download starts, signals wait in the main thread's mask, so
// that the worker thread inherits a mask that keeps them from it.
void MaskInterruptsInThisThread(bool masked) {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kHeldOff) sigaddset(&set, sig);
    pthread_sigmask(masked ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}
