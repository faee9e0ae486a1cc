// What korvane-update tells its caller. 0, 1 and 2 follow the Linux system
// firmware updater (updated, failed, nothing to do), so deployment tools can
// treat both alike; the rest say why nothing was tried.
#pragma once

#include <cstddef>

enum ExitCode : int {
    kExitUpdated = 0,         // written, verified, committed and read back equal
    kExitFailed = 1,          // the check or the download failed
    kExitNothingToDo = 2,     // the camera's firmware is current; --check: no update due
    // --check gives kExitUpdated when an update is due, as "updates available".
    kExitNoCamera = 3,        // no camera of ours found
    kExitOtherInstance = 4,   // another korvane-update, or the update window, is running
    kExitOnBattery = 5,       // not on mains power, and no override
    kExitNoPermission = 6,    // a camera could not be opened for want of permission
    kExitCameraInUse = 7,     // another program streams from the camera: nothing written
    kExitUsage = 64,          // bad command line (sysexits' EX_USAGE)
    kExitInterrupted = 130,   // interrupted, or the terminal gone, before the download started
};

// Each code with what it means, as --help, the manual page and the README
// say it (a test holds the last two against this table).
struct ExitCodeMeaning {
    ExitCode code;
    const char* meaning;
};
inline constexpr ExitCodeMeaning kExitCodeMeanings[] = {
    {kExitUpdated, "updated: written, verified and committed (--check: an update is due); or what was asked "
                   "was printed"},
    {kExitFailed, "the check or the update failed"},
    {kExitNothingToDo, "nothing to do: the firmware is current, or the question was answered no"},
    {kExitNoCamera, "no camera of ours found"},
    {kExitOtherInstance, "another instance, or the update window, is running"},
    {kExitOnBattery, "on battery; plug in, or pass --on-battery"},
#ifdef _WIN32
    {kExitNoPermission, "the camera could not be opened: access denied"},
#else
    {kExitNoPermission, "no permission to open the camera's device node"},
#endif
    {kExitCameraInUse, "the camera is in use by another program; the flash was not touched"},
    {kExitUsage, "usage error (or --device names no camera); or an update is due, no terminal to ask on, and "
                 "no --yes"},
    {kExitInterrupted, "interrupted, or the terminal closed at the question, before the download began; the "
                       "flash was not touched"},
};
