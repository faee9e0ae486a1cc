// Keeps the machine from sleeping or shutting down while the camera's
// flash is written: a download cut by a suspend or a power-off leaves a
// camera that no longer starts. Linux: a logind inhibitor of mode "block"
// for sleep, shut-down and the lid and suspend keys. Windows: the system
// kept awake through the thread's execution state.
#pragma once

#include <string>

class SleepInhibitor {
public:
    SleepInhibitor() = default;
    ~SleepInhibitor() { Release(); }
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    // Takes the hold; false, with the reason in *why, when the system would
    // not give it (the update goes on all the same).
    bool Take(std::string* why);
    // Lets it go; nothing when none is held. On the thread that took it.
    void Release();

private:
    int held_ = -1;  // Linux: the inhibitor's descriptor; Windows: 1 while held
};
