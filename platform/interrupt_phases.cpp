// Before the download an interrupt ends the run with nothing written;
// during it, it is held off; after it, it changes nothing. The same on
// every system.
#include <atomic>

#include "platform/interrupts.h"

namespace {

std::atomic<int> phase{kBeforeDownload};
std::atomic<int> heldOff{0};
std::atomic<bool> hungUp{false};
static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");
static_assert(std::atomic<bool>::is_always_lock_free, "used from a signal handler");

}  // namespace

InterruptPhase TakeInterrupt(bool hangUp) {
    int met = kBeforeDownload;
    if (phase.compare_exchange_strong(met, kStopped)) hungUp.store(hangUp);
    if (met == kDownloading) heldOff.fetch_add(1);
    return InterruptPhase(met);
}

bool TerminalHungUp() { return hungUp.load(); }

int TakeHeldOffInterrupts() { return heldOff.exchange(0); }

bool DownloadRunning() { return phase.load() == kDownloading; }

bool Interrupted() { return phase.load() == kStopped; }

bool EnterDownload() {
    // Masked before the download starts, so that its worker is born masked.
    MaskInterruptsInThisThread(true);
    int expected = kBeforeDownload;
    if (phase.compare_exchange_strong(expected, kDownloading)) return true;
    MaskInterruptsInThisThread(false);
    return false;
}

void WorkerStarted() { MaskInterruptsInThisThread(false); }

void LeaveDownload() {
    phase.store(kDownloaded);
    MaskInterruptsInThisThread(false);
}

void BeginRun() {
    int downloaded = kDownloaded;
    phase.compare_exchange_strong(downloaded, kBeforeDownload);
}
