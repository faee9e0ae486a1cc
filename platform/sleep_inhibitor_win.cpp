#include <windows.h>

#include "platform/sleep_inhibitor.h"

// Windows keeps the system awake while the thread's state asks it to; the
// display may still go dark, which cuts nothing.
bool SleepInhibitor::Take(std::string* why) {
    if (held_ >= 0) return true;
    if (SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) == 0) {
        *why = "SetThreadExecutionState failed";
        return false;
    }
    held_ = 1;
    return true;
}

void SleepInhibitor::Release() {
    if (held_ < 0) return;
    SetThreadExecutionState(ES_CONTINUOUS);
    held_ = -1;
}
