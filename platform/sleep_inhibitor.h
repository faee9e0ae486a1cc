// Keeps the machine from sleeping or shutting down while the camera's
// flash is written: a download cut by a suspend or a power-off leaves a
// camera that no longer starts.
// - Linux: a logind inhibitor of mode "block" holds off sleep, shut-down
//   and the lid and suspend keys.
// - Windows: the thread's execution state holds off sleep; a hidden window
//   (session_hold.h) holds off a log-off, shut-down or restart, and names
//   the reason while Windows waits on it.
#pragma once

#include <string>

struct SessionHold;

class SleepInhibitor {
public:
    // holdSessionEnd false: a program with a window of its own answers the
    // session's end itself, and only sleep is held off here.
    explicit SleepInhibitor([[maybe_unused]] bool holdSessionEnd = true) {
#ifdef _WIN32
        holdSessionEnd_ = holdSessionEnd;
#endif
    }
    ~SleepInhibitor() { Release(); }
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    // Takes the hold; false, with the reason in *why, when the system would
    // not give it or a part of it (the update goes on all the same).
    bool Take(std::string* why);
    // Lets it go; nothing when none is held. On the thread that took it.
    void Release();

private:
    int held_ = -1;  // Linux: the inhibitor's descriptor; Windows: 1 while held
#ifdef _WIN32
    bool holdSessionEnd_ = true;
    SessionHold* session_ = nullptr;  // the session end's hold, when it was given
#endif
};
