#include "console/console_update.h"

#include <cerrno>
#include <cstring>

#include "console/exit_codes.h"
#include "console/log_text.h"
#include "console/outcomes.h"
#include "korvane_version.h"
#include "platform/interrupts.h"
#include "update/log_lines.h"

#ifdef _WIN32
#include <io.h>
#else
#include <poll.h>
#include <unistd.h>
#endif

namespace {

// How often the bar is redrawn and the worker's end looked for while the
// download runs: often enough to look live, rarely enough to cost nothing.
constexpr uint32_t kDrawEveryMs = 100;

// The transfer log's lines shown on a failure.
constexpr size_t kFailureLines = 12;

// How long an interrupt at the question may go unseen: a person's
// Ctrl-C answered at once to the eye.
constexpr int kInterruptLookMs = 100;

// A warning of several words fits a terminal of the usual width, its
// lines after the first under the first's words.
constexpr size_t kTerminalColumns = 80;
constexpr const char* kNoteIndent = "      ";

// A line from standard input; false at its end or when interrupted.
// An interrupt that lands just before a read would not break into it: on
// Linux the input is waited for a slice at a time, the flag looked at
// between slices.
bool ReadAnswer(std::string* line) {
    line->clear();
    char c;
    for (;;) {
        if (Interrupted()) return false;
#ifdef _WIN32
        const int got = _read(0, &c, 1);
#else
        pollfd input = {0, POLLIN, 0};
        const int ready = poll(&input, 1, kInterruptLookMs);
        if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
        const ssize_t got = ready < 0 ? -1 : read(0, &c, 1);
#endif
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        if (c == '\n') return true;
        if (c != '\r') line->push_back(c);
    }
}

// How each end of the run is told: the outcome table's row for it.
const struct {
    RunEnd end;
    Outcome outcome;
} kEndOutcomes[] = {
    {RunEnd::Updated, Outcome::Updated},          {RunEnd::UpdateDue, Outcome::UpdateDue},
    {RunEnd::Current, Outcome::Current},          {RunEnd::Declined, Outcome::Declined},
    {RunEnd::NoCamera, Outcome::NoCamera},        {RunEnd::HeldByAnotherRun, Outcome::OtherInstance},
    {RunEnd::NoPermission, Outcome::NoPermission}, {RunEnd::NotOurs, Outcome::NoCamera},
    {RunEnd::CheckFailed, Outcome::CheckFailed},  {RunEnd::OnBattery, Outcome::OnBattery},
    {RunEnd::NoOneToAsk, Outcome::NoTerminal},    {RunEnd::TerminalClosed, Outcome::TerminalClosed},
    {RunEnd::Interrupted, Outcome::Interrupted},  {RunEnd::InUse, Outcome::InUse},
    {RunEnd::StartFailed, Outcome::StartFailed},  {RunEnd::Failed, Outcome::Failed},
};

// korvane-update: asks unless --yes, and only a person may agree to write
// an image not for the chip; --check only reads.
RunPolicy ConsolePolicy(const Options& options, bool interactive) {
    RunPolicy policy;
    policy.write = !options.check;
    policy.ask = !options.yes;
    policy.canAsk = interactive && !options.yes;
    policy.onBattery = options.onBattery;
    policy.interrupts = true;
    policy.program = "korvane-update " KORVANE_VERSION;
    policy.again = "run korvane-update again";
    return policy;
}

}  // namespace

ConsoleUpdate::ConsoleUpdate(const Options& options, FILE* out, bool outIsTerminal, bool interactive)
    : run_(*this, ConsolePolicy(options, interactive)), transferLog(run_.transferLog), options_(options), out_(out),
      bar_(options.quiet ? nullptr : out, outIsTerminal) {}

int ConsoleUpdate::Run(Report* report) {
    report_ = report;
    run_.camera = camera;
    run_.Run(kDrawEveryMs, [this] { bar_.Draw(); });
    return report->exitCode;
}

void ConsoleUpdate::Checking() {
    if (beforeCheck) beforeCheck(report_);
}

// Under --json or --quiet the camera is described only before a question.
void ConsoleUpdate::Describe(const CheckReport& found) {
    report_->check = found;
    report_->checkRan = true;
    if (!options_.json && !options_.quiet) Describe(*report_);
}

// A warning: on standard error, and in the notes the JSON document and the
// log file carry. The download's are laid out for the terminal and said
// under --json too.
void ConsoleUpdate::Note(const std::string& note) {
    report_->notes.push_back(note);
    if (writing_)
        std::fputs(Wrapped("Note: " + note, kTerminalColumns, kNoteIndent).c_str(), stderr);
    else if (!options_.json)
        std::fprintf(stderr, "Note: %s\n", note.c_str());
}

void ConsoleUpdate::PowerOverridden() { std::fprintf(stderr, "Not on mains power; going on as --on-battery asks.\n"); }

Answer ConsoleUpdate::Ask(Question question, const CheckReport&) {
    if (question == Question::ImageNotForChip) {
        std::fprintf(out_, "%s: %s\n", kWrongImageCaption, kWrongImageQuestion);
        return Confirm("Write it anyway?");
    }
    if (options_.json || options_.quiet) Describe(*report_);
    return Confirm("Write this firmware now? Keep the camera plugged in until the end.");
}

Answer ConsoleUpdate::Confirm(const std::string& question) {
    std::fprintf(out_, "%s [y/N] ", question.c_str());
    std::fflush(out_);
    std::string answer;
    if (!ReadAnswer(&answer)) {
        std::fputc('\n', out_);
        return Answer::Closed;
    }
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" ? Answer::Yes : Answer::No;
}

void ConsoleUpdate::Writing(const CheckReport& found) {
    report_->check = found;
    writing_ = true;
    if (!options_.json && !options_.quiet)
        std::fprintf(out_, "Writing image %d (%s); do not unplug the camera.\n", found.imageId, found.imageVersion);
    bar_.Start(found.imageSize);
    // --verbose shows the download's lines as the engine hands them over,
    // from the first line it adds.
    ShowNewLog();
}

void ConsoleUpdate::OnProgress(uint32_t bytesDone, uint32_t bytesTotal) { bar_.OnProgress(bytesDone, bytesTotal); }

// The engine hands over the lines that ended since its last; shown from
// where --verbose stopped instead, which may be earlier: the check's open
// last line, ended by the download's first words. The worker alone writes
// the log now.
void ConsoleUpdate::OnLogLines(const std::string&) { ShowNewLog(); }

// Whole lines only: the program's own lines never land after a log line's
// first half.
void ConsoleUpdate::ShowNewLog() {
    if (!options_.verbose) return;
    std::fputs(PlainText(WholeLinesSince(transferLog, &logShown_)).c_str(), stderr);
    std::fflush(stderr);
}

// At the end: the rest of the log too, its last line ended.
void ConsoleUpdate::ShowRestOfLog() {
    ShowNewLog();
    if (!options_.verbose || logShown_ >= transferLog.size()) return;
    std::fprintf(stderr, "%s\n", PlainText(transferLog.substr(logShown_)).c_str());
    std::fflush(stderr);
    logShown_ = transferLog.size();
}

void ConsoleUpdate::ShowVerdict(const RunVerdict& verdict, const CheckReport& found) {
    report_->check = found;
    writing_ = false;
    if (verdict.end == RunEnd::Updated || verdict.end == RunEnd::Failed) {
        bar_.Finish(verdict.end == RunEnd::Updated ? "done" : "failed");
        // The update went on; the computer only lacks its record of it.
        if (!verdict.recordProblem.empty())
            Note("The record of this update could not be kept: " + verdict.recordProblem + ".");
    }
    const bool failed = verdict.end == RunEnd::Failed || verdict.end == RunEnd::StartFailed ||
                        verdict.end == RunEnd::CheckFailed;
    report_->failure = failed ? verdict.failure : Failure::None;
    std::string message;
    const Outcome outcome = Ended(verdict, &message);
    End(outcome, message, verdict.keepAwakeCommand);
}

// The outcome, and the run's more particular words where it has them.
Outcome ConsoleUpdate::Ended(const RunVerdict& v, std::string* message) const {
    const CheckReport& c = report_->check;
    Outcome outcome = Outcome::Failed;
    for (const auto& row : kEndOutcomes)
        if (row.end == v.end) outcome = row.outcome;
    *message = OutcomeOf(outcome).text;
    if (v.end == RunEnd::HeldByAnotherRun)
        *message = "Another camera update is running on this camera (" + Printable(v.heldNode) +
                   " is locked); nothing was done.";
    else if (v.end == RunEnd::NoCamera && !report_->notes.empty())
        *message = "No camera of ours found that uvcvideo lets us use (the notes say why).";
    else if (v.end == RunEnd::NotOurs)
        *message = "A camera of this chip family was found, but nothing shows it is ours; it is left alone.";
    else if (v.end == RunEnd::Current && c.flashContent == FlashContent::Other && c.flashCompared)
        *message = "No update needed by its FlashTypeCode; but its flash differs from this program's image, so "
                   "it holds another release's firmware or is damaged.";
    else if (v.end == RunEnd::OnBattery)
        *message = v.powerRead ? "Not on mains power: plug the computer in, or pass --on-battery."
                               : "The power state could not be read: plug the computer in, or pass --on-battery.";
    else if (v.end == RunEnd::Failed && FailureOf(v.failure).advice)
        *message = std::string("The update failed: ") + FailureOf(v.failure).text + ".";
    if (!v.advice.empty()) *message += " " + v.advice;
    return outcome;
}

int ConsoleUpdate::End(Outcome outcome, const std::string& message, const std::string& keepAwake) {
    ShowRestOfLog();
    Report* report = report_;
    const OutcomeRow& row = OutcomeOf(outcome);
    report->exitCode = row.code;
    report->result = row.result;
    // The command that keeps the camera awake ends the words; people get it
    // on a line of its own, whole to copy.
    report->message = keepAwake.empty() ? message : message + " " + keepAwake;
    // A camera passed over unasked says why in the notes; one whose requests
    // failed, only in the transfer log.
    if (row.code == kExitFailed || row.code == kExitNoCamera) report->logTail = LastLines(transferLog, kFailureLines);
    // The log file ends with the verdict, which reaches it even when no
    // one reads the terminal or the pipe any more: on a line of its own,
    // never after the camera's open last line, and not shown by --verbose,
    // which says it below.
    if (!transferLog.empty() && transferLog.back() != '\n') transferLog += "\r\n";
    transferLog += report->message + "\r\n";
    logShown_ = transferLog.size();
    // Under --json people's words go to standard error, the document alone to standard output.
    FILE* said = options_.json || row.stream == Stream::Err ? stderr : out_;
    if (keepAwake.empty())
        std::fprintf(said, "%s\n", report->message.c_str());
    else
        std::fprintf(said, "%s    %s\n", Wrapped(message, kTerminalColumns, "").c_str(), keepAwake.c_str());
    // --verbose has shown the whole log already.
    if (!report->logTail.empty() && !options_.verbose) {
        std::fputs("Transfer log, last lines:\n", stderr);
        for (const std::string& line : report->logTail) std::fprintf(stderr, "  %s\n", line.c_str());
    }
    std::fflush(said);
    return row.code;
}

void ConsoleUpdate::Describe(const Report& r) {
    ShowNewLog();
    const CheckReport& c = r.check;
    // No camera opened: nothing to describe; the closing line says so.
    if (c.verdict == CheckVerdict::NoCamera) return;
    std::fprintf(out_, "Camera:        %s\n", c.cameraName.empty() ? "(no name)" : Printable(c.cameraName).c_str());
    if (!c.cameraPath.empty()) std::fprintf(out_, "Device:        %s\n", Printable(c.cameraPath).c_str());
    if (c.chipId >= 0) std::fprintf(out_, "Chip ID:       0x%02X\n", unsigned(c.chipId));
    const bool ours = c.verdict == CheckVerdict::Current || c.verdict == CheckVerdict::Update ||
                      c.verdict == CheckVerdict::Failed;
    if (ours && c.flashIdentified && c.flash.type >= 0)
        std::fprintf(out_, "Flash type:    %d\n", int(c.flash.type));
    else if (ours && c.flashIdentified && !c.flash.Finished())
        std::fprintf(out_, "Flash type:    could not be identified\n");
    else if (ours)
        std::fprintf(out_, "Flash type:    not recognised\n");
    if (c.storedCode >= 0) std::fprintf(out_, "Stored code:   0x%02X\n", unsigned(c.storedCode));
    const unsigned at = unsigned(c.flashDiffersAt);
    if (c.flashCompared && c.flashContent == FlashContent::Cut)
        std::fprintf(out_, "Flash:         a download that stopped before 0x%06X\n", at);
    else if (c.flashCompared && c.flashContent == FlashContent::Unfinished)
        std::fprintf(out_, "Flash:         a download that did not finish, first gap at 0x%06X\n", at);
    else if (c.flashCompared && c.flashContent == FlashContent::Other)
        std::fprintf(out_, "Flash:         differs from this program's image at 0x%06X\n", at);
    if (c.verdict == CheckVerdict::Current && c.heldImageId > 0)
        std::fprintf(out_, "Firmware:      %s (image %d), current\n", c.heldVersion, c.heldImageId);
    if (c.verdict == CheckVerdict::Update && c.imageId > 0)
        std::fprintf(out_, "Update:        image %d (%s), %d bytes\n", c.imageId, c.imageVersion,
                     int(c.imageSize));
    else if (c.verdict == CheckVerdict::Update)
        std::fprintf(out_, "Update:        image not chosen yet: the board chooses V0308 or V0309 when it writes\n");
    std::fflush(out_);
}
