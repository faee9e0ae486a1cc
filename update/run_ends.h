// Every way a program's run ends, in one table: the result name its JSON
// and log file carry, whether the flash was touched, the exit code, the
// words people read, the stream they go to (standard output for what was
// found and done, standard error for what went wrong), and, on the first
// row of each exit code, what the code means. Each RunEnd of the update
// run is one of these; RunEndWords gives any front end the words for a
// verdict, with its particular cases decided here once. korvane-update's
// --help and the README's table of exit codes are held to it by a test.
// Nothing else names an exit code.
#pragma once

#include <string>

#include "platform/system_words.h"
#include "update/update_run.h"

enum class Outcome {
    Updated, UpdateDue, Current, Declined, Listed, Reported, Version, Help,
    Failed, CheckFailed, StartFailed, NoCamera, OtherInstance, OnBattery, NoPermission, InUse,
    NoTerminal, Usage, Interrupted, TerminalClosed,
};

enum class Stream { Out, Err };

struct OutcomeRow {
    Outcome outcome;
    const char* result;
    int code;
    bool flashTouched;
    Stream stream;
    const char* text;  // said unless the run has more particular words
    const char* meaning = nullptr;
};

// 0, 1 and 2 follow the Linux system firmware updater (updated, failed,
// nothing to do), so deployment tools can treat both alike; the rest say
// why nothing was tried. --check gives 0 when an update is due, as
// "updates available". 64 is sysexits' EX_USAGE; 130, as a shell reports
// SIGINT.
inline constexpr OutcomeRow kOutcomes[] = {
    {Outcome::Updated, "updated", 0, true, Stream::Out, "Updated: the firmware was written, verified and committed.",
     "updated: written, verified and committed (--check: an update is due); or what was asked was printed"},
    {Outcome::UpdateDue, "update-due", 0, false, Stream::Out, "An update is due (--check: the flash was not touched)."},
    {Outcome::Listed, "listed", 0, false, Stream::Out, ""},
    {Outcome::Reported, "reported", 0, false, Stream::Out, "The support report was gathered; nothing was written."},
    {Outcome::Version, "version", 0, false, Stream::Out, ""},
    {Outcome::Help, "help", 0, false, Stream::Out, ""},
    {Outcome::Failed, "failed", 1, true, Stream::Err,
     "The update failed.", "the check or the update failed"},
    {Outcome::CheckFailed, "failed", 1, false, Stream::Err, "The check could not finish; the flash was not touched."},
    {Outcome::StartFailed, "failed", 1, false, Stream::Err, "The download could not start; the flash was not touched."},
    {Outcome::Current, "current", 2, false, Stream::Out, "No update needed: its firmware is current.",
     "nothing to do: the firmware is current, or the question was answered no"},
    {Outcome::Declined, "declined", 2, false, Stream::Out, "Not written: the flash was not touched."},
    {Outcome::NoCamera, "no-camera", 3, false, Stream::Err, "No camera of ours found.", "no camera of ours found"},
    {Outcome::OtherInstance, "other-instance", 4, false, Stream::Err,
     "Another camera update is running; nothing was done.", "another instance, or the update window, is running"},
    {Outcome::OnBattery, "on-battery", 5, false, Stream::Err,
     "Not on mains power: plug the computer in.", "on battery; plug in, or pass --on-battery"},
    {Outcome::NoPermission, "no-permission", 6, false, Stream::Err, kCameraAccessWords, kCameraAccessMeaning},
    {Outcome::InUse, "in-use", 7, false, Stream::Err,
     "The camera is in use by another program; close it and run again. The flash was not touched.",
     "the camera is in use by another program; the flash was not touched"},
    {Outcome::NoTerminal, "no-terminal", 64, false, Stream::Err,
     "No terminal to ask on: pass --yes to update without a question.",
     "usage error (or --device names no camera); or an update is due, no terminal to ask on, and no --yes"},
    {Outcome::Usage, "usage", 64, false, Stream::Err, ""},
    {Outcome::Interrupted, "interrupted", 130, false, Stream::Err, "Interrupted: the flash was not touched.",
     "interrupted, or the terminal closed at the question, before the download began; the flash was not touched"},
    {Outcome::TerminalClosed, "terminal-closed", 130, false, Stream::Err,
     "The terminal closed at the question: the flash was not touched."},
};

inline const OutcomeRow& OutcomeOf(Outcome outcome) {
    for (const OutcomeRow& row : kOutcomes)
        if (row.outcome == outcome) return row;
    return kOutcomes[0];
}

inline int ExitWith(Outcome outcome) { return OutcomeOf(outcome).code; }

// The run failed: the check, the start or the download.
inline bool IsFailure(Outcome outcome) { return ExitWith(outcome) == ExitWith(Outcome::Failed); }

// The outcome each way a run ends has.
Outcome OutcomeOf(RunEnd end);

// The words a person reads for how a run ended: the table's, or the run's
// more particular ones (a camera current by its code that holds another
// release, the node another run holds, a power state not read, the notes
// that say why no camera was found), the cause and the advice. `override`
// is how the program writes on battery anyway ("pass --on-battery"), ""
// where it cannot.
std::string RunEndWords(const RunVerdict& verdict, const CheckReport& found, const std::string& override = "");

// A window's heading for how a run ended: one plain sentence ("The update
// did not finish.").
const char* RunEndTitle(RunEnd end);
// What the heading leaves to say: RunEndWords where the run has more
// particular words or advice than the table's, else ""; after a write cut
// short, first that the camera may not start.
std::string RunEndDetail(const RunVerdict& verdict, const CheckReport& found, const std::string& override = "");

// "The record of this update could not be kept: ..." ("" when it was).
std::string RecordWords(const RunVerdict& verdict);
