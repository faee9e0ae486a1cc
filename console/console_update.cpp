#include "console/console_update.h"

#include "console/camera_description.h"
#include "console/camera_list.h"
#include "console/screen.h"
#include "discovery/system_camera.h"
#include "korvane_version.h"
#include "platform/interrupts.h"
#include "platform/terminal.h"
#include "update/check_words.h"
#include "update/log_lines.h"
#include "update/run_ends.h"

namespace {

// How often the bar is redrawn and the worker's end looked for while the
// download runs: often enough to look live, rarely enough to cost nothing.
constexpr uint32_t kDrawEveryMs = 100;

// The transfer log's lines shown on a failure.
constexpr size_t kFailureLines = 12;

// A note's lines after the first, under its first word; a transfer log
// line's, set in from it.
constexpr size_t kNoteIndent = 6;
constexpr size_t kLogIndent = 2;

// The interrupts the download held off since the last look, each said on a
// line of its own; on the main thread, as often as it draws the bar.
void SayHeldOffInterrupts() {
    for (int heldOff = TakeHeldOffInterrupts(); heldOff > 0; --heldOff)
        Say(stderr, "korvane-update: not stopping now: the camera's flash is being written and would be left "
                    "unusable; the update runs to its verdict.");
}

// korvane-update: asks unless --yes, and only a person at a terminal may
// agree to write an image not for the chip; --check only reads.
RunPolicy ConsolePolicy(const Options& options, FILE* out) {
    RunPolicy policy;
    policy.write = !options.check;
    policy.ask = !options.yes;
    policy.canAsk = IsTerminal(stdin) && IsTerminal(out) && !options.yes;
    policy.onBattery = options.onBattery;
    policy.interrupts = true;
    policy.nameCameras = options.device.empty();
    policy.program = "korvane-update " KORVANE_VERSION;
    policy.again = "run korvane-update again";
    return policy;
}

}  // namespace

ConsoleUpdate::ConsoleUpdate(const Options& options, FILE* out)
    : run_(*this, ConsolePolicy(options, out)), transferLog(run_.transferLog), options_(options), out_(out),
      bar_(options.quiet ? nullptr : out, IsTerminal(out)) {}

void ConsoleUpdate::Run(SystemCamera* camera, Report* report) {
    report_ = report;
    run_.camera = camera;
    run_.Run(kDrawEveryMs, [this] {
        SayHeldOffInterrupts();
        bar_.Draw();
    });
}

// Once the power rule lets the check go ahead: the other cameras, where
// none was chosen.
void ConsoleUpdate::Attached(const std::vector<AttachedCamera>& cameras) {
    NameOtherCameras(cameras, options_.json || options_.quiet ? nullptr : out_, report_);
}

// Under --json or --quiet the camera is described only before a question.
void ConsoleUpdate::Describe(const CheckReport& found) {
    report_->check = found;
    report_->checkRan = true;
    if (!options_.json && !options_.quiet) DescribeFound();
}

// A warning: on standard error, and in the notes the JSON document and the
// log file carry. The download's are said under --json too.
void ConsoleUpdate::Note(const std::string& note) {
    report_->notes.push_back(note);
    if (writing_ || !options_.json) Say(stderr, "Note: " + note, kNoteIndent);
}

void ConsoleUpdate::PowerOverridden() { Say(stderr, "Not on mains power; going on as --on-battery asks."); }

Answer ConsoleUpdate::Ask(Question question, const CheckReport&) {
    if (question == Question::ImageNotForChip) {
        Say(out_, std::string(kWrongImageCaption) + ": " + kWrongImageQuestion);
        return Confirm("Write it anyway?");
    }
    if (options_.json || options_.quiet) DescribeFound();
    return Confirm("Write this firmware now? Keep the camera plugged in until the end.");
}

Answer ConsoleUpdate::Confirm(const std::string& question) {
    ::Ask(out_, question + " [y/N]");
    std::string answer;
    if (!ReadInputLine(&answer)) {
        SayLines(out_, "\n");
        return Answer::Closed;
    }
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" ? Answer::Yes : Answer::No;
}

void ConsoleUpdate::Writing(const CheckReport& found) {
    report_->check = found;
    writing_ = true;
    if (!options_.json && !options_.quiet)
        Say(out_, "Writing " + ImageName(found) + "; do not unplug the camera.");
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
// first half, and a line the camera protocol left open is no line.
void ConsoleUpdate::ShowNewLog() {
    if (!options_.verbose) return;
    const std::string lines = WholeLinesSince(transferLog, &logShown_);
    if (!lines.empty()) Say(stderr, PlainText(lines), kLogIndent);
}

void ConsoleUpdate::ShowVerdict(const RunVerdict& verdict, const CheckReport& found) {
    report_->check = found;
    writing_ = false;
    if (verdict.end == RunEnd::Updated || verdict.end == RunEnd::Failed) {
        SayHeldOffInterrupts();
        bar_.Finish(verdict.end == RunEnd::Updated ? "done" : "failed");
        // The update went on; the computer only lacks its record of it.
        if (!verdict.recordProblem.empty()) Note(RecordWords(verdict));
    }
    const Outcome outcome = OutcomeOf(verdict.end);
    const std::string message = RunEndWords(verdict, found, "pass --on-battery");
    report_->failure = IsFailure(outcome) ? verdict.failure : Failure::None;
    End(outcome, message, verdict.keepAwakeCommand);
}

void ConsoleUpdate::End(Outcome outcome, const std::string& message, const std::string& keepAwake) {
    ShowNewLog();
    // The command that keeps the camera awake ends the words; people get it
    // on a line of its own, whole to copy.
    report_->Ends(outcome, keepAwake.empty() ? message : message + " " + keepAwake);
    // A camera passed over unasked says why in the notes; one whose requests
    // failed, only in the transfer log.
    if (IsFailure(outcome) || outcome == Outcome::NoCamera) report_->logTail = LastLines(WholeLines(transferLog), kFailureLines);
    // Under --json people's words go to standard error, the document alone to standard output.
    FILE* said = options_.json || OutcomeOf(outcome).stream == Stream::Err ? stderr : out_;
    Say(said, message);
    if (!keepAwake.empty()) SayCommand(said, keepAwake);
    // --verbose has shown the whole log already.
    if (options_.verbose || report_->logTail.empty()) return;
    Say(stderr, "Transfer log, last lines:");
    for (const std::string& line : report_->logTail) Say(stderr, "  " + line, 4);
}

void ConsoleUpdate::DescribeFound() {
    ShowNewLog();
    DescribeCamera(out_, report_->check);
}
