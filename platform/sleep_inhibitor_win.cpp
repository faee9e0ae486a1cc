#include <windows.h>

#include "platform/session_hold.h"
#include "platform/sleep_inhibitor.h"

// Windows keeps the system awake while the thread's state asks it to; the
// display may still go dark, which cuts nothing. Each half is taken even
// when the other is refused, and both are named when both are.
bool SleepInhibitor::Take(std::string* why) {
    if (held_ >= 0) return true;
    held_ = 1;
    std::string refused;
    if (SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) == 0)
        refused = "SetThreadExecutionState failed";
    std::string sessionWhy;
    session_ = holdSessionEnd_ ? TakeSessionHold(&sessionWhy) : nullptr;
    if (holdSessionEnd_ && !session_) {
        if (!refused.empty()) refused += "; ";
        refused += "no window refuses a log-off or shut-down: " + sessionWhy;
    }
    if (refused.empty()) return true;
    *why = refused;
    return false;
}

void SleepInhibitor::Release() {
    if (held_ < 0) return;
    ReleaseSessionHold(session_);
    session_ = nullptr;
    SetThreadExecutionState(ES_CONTINUOUS);
    held_ = -1;
}
