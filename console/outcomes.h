// Every way a run of korvane-update ends, in one table: the result name
// its JSON and log file carry, the exit code, the words people read, and
// the stream they go to (standard output for what was found and done,
// standard error for what went wrong). --help and the README's table of
// exit codes are held to it by a test.
#pragma once

#include "console/exit_codes.h"

enum class Outcome {
    Updated, UpdateDue, Current, Declined, Listed, Reported, Version,
    Failed, CheckFailed, StartFailed, NoCamera, OtherInstance, OnBattery, NoPermission, InUse,
    NoTerminal, Usage, Interrupted, TerminalClosed,
};

enum class Stream { Out, Err };

struct OutcomeRow {
    Outcome outcome;
    const char* result;
    ExitCode code;
    Stream stream;
    const char* text;  // said unless the run has more particular words
};

inline constexpr OutcomeRow kOutcomes[] = {
    {Outcome::Updated, "updated", kExitUpdated, Stream::Out, "Updated: the firmware was written, verified and committed."},
    {Outcome::UpdateDue, "update-due", kExitUpdated, Stream::Out, "An update is due (--check: the flash was not touched)."},
    {Outcome::Listed, "listed", kExitUpdated, Stream::Out, ""},
    {Outcome::Reported, "reported", kExitUpdated, Stream::Out, "The support report was gathered; nothing was written."},
    {Outcome::Version, "version", kExitUpdated, Stream::Out, ""},
    {Outcome::Current, "current", kExitNothingToDo, Stream::Out, "No update needed: its firmware is current."},
    {Outcome::Declined, "declined", kExitNothingToDo, Stream::Out, "Declined: the flash was not touched."},
    {Outcome::Failed, "failed", kExitFailed, Stream::Err,
     "The update failed. Keep the camera plugged in and run korvane-update again."},
    {Outcome::CheckFailed, "failed", kExitFailed, Stream::Err, "The check could not finish; the flash was not touched."},
    {Outcome::StartFailed, "failed", kExitFailed, Stream::Err, "The download could not start; the flash was not touched."},
    {Outcome::NoCamera, "no-camera", kExitNoCamera, Stream::Err, "No camera of ours found."},
    {Outcome::OtherInstance, "other-instance", kExitOtherInstance, Stream::Err,
     "Another camera update is running; nothing was done."},
    {Outcome::OnBattery, "on-battery", kExitOnBattery, Stream::Err,
     "Not on mains power: plug the computer in, or pass --on-battery."},
    {Outcome::NoPermission, "no-permission", kExitNoPermission, Stream::Err,
#ifdef _WIN32
     "The camera could not be opened: access denied (see the camera privacy settings, or run as an "
     "administrator)."},
#else
     "A camera's device node could not be opened: permission denied (run as root, or join the group that owns "
     "the node)."},
#endif
    {Outcome::InUse, "in-use", kExitCameraInUse, Stream::Err,
     "The camera is in use by another program; close it and run again. The flash was not touched."},
    {Outcome::NoTerminal, "no-terminal", kExitUsage, Stream::Err,
     "No terminal to ask on: pass --yes to update without a question."},
    {Outcome::Usage, "usage", kExitUsage, Stream::Err, ""},
    {Outcome::Interrupted, "interrupted", kExitInterrupted, Stream::Err, "Interrupted: the flash was not touched."},
    {Outcome::TerminalClosed, "terminal-closed", kExitInterrupted, Stream::Err,
     "The terminal closed at the question: the flash was not touched."},
};

inline const OutcomeRow& OutcomeOf(Outcome outcome) {
    for (const OutcomeRow& row : kOutcomes)
        if (row.outcome == outcome) return row;
    return kOutcomes[0];
}
