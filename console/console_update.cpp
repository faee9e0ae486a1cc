#include "console/console_update.h"

#include <cerrno>
#include <cstring>

#include "console/camera_description.h"
#include "console/outcomes.h"
#include "update/log_lines.h"
#include "console/log_text.h"
#include "console/screen.h"
#include "console/verdict_text.h"
#include "discovery/system_camera.h"

#include "korvane_version.h"
#include "platform/clock.h"
#include "platform/instance_lock.h"
#include "platform/interrupts.h"
#include "platform/power_state.h"
#include "update/power_rule.h"

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

// A note's lines after the first, under its first word; a transfer log
// line's, set in from it.
constexpr size_t kNoteIndent = 6;
constexpr size_t kLogIndent = 2;

// The file that keeps a USB device awake: the camera's own where its place
// on the bus is known, else where the user puts it.
std::string PowerControlFile(const std::string& busPlace) {
    const size_t slash = busPlace.rfind('/');
    const std::string device = slash == std::string::npos || slash + 1 == busPlace.size()
                                   ? "<bus place>"
                                   : busPlace.substr(slash + 1);
    return "/sys/bus/usb/devices/" + device + "/power/control";
}

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

// The words for a download's failure whose cause says what to do.
std::string AdviceFor(Failure failure) {
    switch (failure) {
    case Failure::LengthFixedByDriver:
        // uvcvideo keeps the length it learnt until the camera is unplugged.
        return "The update failed: the camera changed a control's length after uvcvideo fixed it at the "
               "control's first use. Unplug and replug the camera, then run korvane-update again.";
    case Failure::CameraGone:
        return "The update failed: the camera went away during the download. Check its cable and port, keep "
               "it plugged in, and run korvane-update again.";
    case Failure::ChecksumMismatch:
    case Failure::VerifyFailed:
        return "The update failed: the camera did not take the image intact. Run korvane-update again.";
    default: return "";
    }
}

}  // namespace

ConsoleUpdate::ConsoleUpdate(const Options& options, FILE* out, bool outIsTerminal, bool interactive)
    : options_(options), out_(out), interactive_(interactive), bar_(options.quiet ? nullptr : out, outIsTerminal) {
    engine_.program = "korvane-update " KORVANE_VERSION;
}

void ConsoleUpdate::OnProgress(uint32_t bytesDone, uint32_t bytesTotal) { bar_.OnProgress(bytesDone, bytesTotal); }

// The engine hands over the lines that ended since its last; shown from
// where --verbose stopped instead, which may be earlier: the check's open
// last line, ended by the download's first words. The worker alone writes
// the log now.
void ConsoleUpdate::OnLogLines(const std::string&) { ShowNewLog(); }

// The verdict comes through the engine's wait; nothing more to do here.
void ConsoleUpdate::OnVerdict(int32_t) {}

bool ConsoleUpdate::WriteImageNotForThisChip() {
    // Only a person may agree to write an image the camera may not take.
    if (!interactive_ || options_.yes) return false;
    Say(out_, std::string(kWrongImageCaption) + ": " + kWrongImageQuestion);
    return Confirm("Write it anyway?") == Answer::Yes;
}

ConsoleUpdate::Answer ConsoleUpdate::Confirm(const std::string& question) {
    SetLockPhase(LockPhase::Asking);
    Ask(out_, question + " [y/N]");
    std::string answer;
    const bool got = ReadAnswer(&answer);
    SetLockPhase(LockPhase::Checking);
    if (!got) {
        SayLines(out_, "\n");
        return Answer::None;
    }
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" ? Answer::Yes : Answer::No;
}

// Whole lines only: the program's own lines never land after a log line's
// first half, and a line the camera protocol left open is no line.
void ConsoleUpdate::ShowNewLog() {
    if (!options_.verbose) return;
    const std::string lines = WholeLinesSince(transferLog, &logShown_);
    if (!lines.empty()) Say(stderr, PlainText(lines), kLogIndent);
}

int ConsoleUpdate::End(Report* report, Outcome outcome, const std::string& message) {
    ShowNewLog();
    report->Ends(outcome, message);
    const bool failed = IsFailure(outcome);
    report->failure = outcome == Outcome::Failed || outcome == Outcome::StartFailed ? engine_.DownloadFailure()
                      : outcome == Outcome::CheckFailed                           ? report->check.failure
                                                                                  : Failure::None;
    // Advice from the cause that was found.
    if (outcome == Outcome::Failed && !AdviceFor(report->failure).empty()) report->message = AdviceFor(report->failure);
    // A camera that may suspend explains a camera gone or a request refused,
    // not a checksum.
    const bool mayBeSuspend = report->failure == Failure::CameraGone || report->failure == Failure::RequestFailed;
    // The command that keeps it awake ends the words; people get it on a
    // line of its own, whole to copy.
    std::string awake;
    if (failed && mayBeSuspend && camera && camera->MaySuspend()) {
        awake = "echo on | sudo tee " + PowerControlFile(report->check.camera.busPlace);
        report->message += " USB autosuspend is on for this camera (power/control = auto) and this kernel "
                           "may let it suspend while in use; if it fails again, keep it awake for the run:";
    }
    const std::string words = report->message;  // what people read before the command
    if (!awake.empty()) report->message += " " + awake;
    // A camera passed over unasked says why in the notes; one whose requests
    // failed, only in the transfer log.
    if (failed || outcome == Outcome::NoCamera) report->logTail = LastLines(transferLog, kFailureLines);
    // Under --json people's words go to standard error, the document alone to standard output.
    SayVerdict(options_.json || OutcomeOf(outcome).stream == Stream::Err ? stderr : out_, words, awake);
    // --verbose has shown the whole log already.
    if (!options_.verbose) SayLogTail(report->logTail);
    // As the window closes: the camera is let go, with the pulse that tells
    // it to carry on when no update was decided.
    engine_.LetGo();
    return report->exitCode;
}

void ConsoleUpdate::Describe(const Report& r) {
    ShowNewLog();
    DescribeCamera(out_, r.check);
}

int ConsoleUpdate::Run(Report* report) {
    if (beforeCheck) beforeCheck(report);
    const int code = Check(report);
    if (code >= 0) return code;
    return Download(report);
}

// Power matters only once a write is due: the window's rule, that it
// updates only with mains power known to be on, unless --on-battery.
// -1 to go on.
int ConsoleUpdate::PowerRule(Report* report) {
    const PowerState power = ReadPowerState();
    if (MainsPowerOn(power.known, power.acLineStatus)) return -1;
    if (!options_.onBattery)
        return End(report, Outcome::OnBattery,
                   power.known ? "Not on mains power: plug the computer in, or pass --on-battery."
                               : "The power state could not be read: plug the computer in, or pass "
                                 "--on-battery.");
    Say(stderr, "Not on mains power; going on as --on-battery asks.");
    return -1;
}

// The check and its report; -1 when the download is to follow.
int ConsoleUpdate::Check(Report* report) {
    report->check = engine_.Check(transferLog);
    report->checkRan = true;
    const CheckVerdict verdict = report->check.verdict;
    if (camera) report->notes = camera->Notes();
    if (!report->check.recordProblem.empty())
        report->notes.push_back("The record of updates on this computer could not be read: " +
                                report->check.recordProblem + ".");
    if (!options_.json)
        for (const std::string& note : report->notes) Say(stderr, "Note: " + note, kNoteIndent);
    // Under --json or --quiet the camera is described only before a question.
    if (!options_.json && !options_.quiet) Describe(*report);
    if (Interrupted())
        return End(report, Outcome::Interrupted);

    switch (verdict) {
    case CheckVerdict::NoCamera:
        if (camera && !camera->HeldByAnotherRun().empty())
            return End(report, Outcome::OtherInstance,
                       "Another camera update is running on this camera (" + Printable(camera->HeldByAnotherRun()) +
                           " is locked); nothing was done.");
        if (permissionDenied && permissionDenied())
            return End(report, Outcome::NoPermission);
        if (!report->notes.empty())
            return End(report, Outcome::NoCamera,
                       "No camera of ours found that uvcvideo lets us use (the notes say why).");
        return End(report, Outcome::NoCamera);
    case CheckVerdict::NotOurs:
        return End(report, Outcome::NoCamera,
                   "A camera of this chip family was found, but nothing shows it is ours; "
                   "it is left alone.");
    case CheckVerdict::Current:
        if (report->check.flashContent == FlashContent::Other && report->check.flashCompared)
            return End(report, Outcome::Current,
                       "No update needed by its FlashTypeCode; but its flash differs from this "
                       "program's image, so it holds another release's firmware or is damaged.");
        return End(report, Outcome::Current);
    case CheckVerdict::Failed:
        return End(report, Outcome::CheckFailed);
    case CheckVerdict::Update: break;
    }
    if (options_.check)
        return End(report, Outcome::UpdateDue);
    const int power = PowerRule(report);
    if (power >= 0) return power;
    if (!options_.yes) {
        if (!interactive_)
            return End(report, Outcome::NoTerminal);
        if (options_.json || options_.quiet) Describe(*report);
        switch (Confirm("Write this firmware now? Keep the camera plugged in until the end.")) {
        case Answer::Yes: break;
        case Answer::No: return End(report, Outcome::Declined);
        case Answer::None:
            return End(report, Interrupted() && !TerminalHungUp() ? Outcome::Interrupted : Outcome::TerminalClosed);
        }
    }
    return -1;
}

int ConsoleUpdate::Download(Report* report) {
    if (!EnterDownload())
        return End(report, Outcome::Interrupted);
    CheckReport& checked = report->check;
    // The device's behaviour while it streams is unknown: nothing is written
    // while another program streams, and none may start until the verdict.
    if (camera && !camera->TakeCaptureQueue(checked.camera.path, &transferLog)) {
        LeaveDownload();
        return End(report, Outcome::InUse);
    }
    if (!options_.json && !options_.quiet)
        Say(out_, "Writing image " + std::to_string(checked.imageId) + " (" + checked.imageVersion +
                      "); do not unplug the camera.");
    std::string why;
    if (!inhibitor_.Take(&why)) {
        // A warning: on standard error, and in the notes the JSON document
        // and the log file carry.
        report->notes.push_back("Sleep and shut-down are not held off during the download (" + why + ").");
        Say(stderr, "Note: " + report->notes.back(), kNoteIndent);
    }
    bar_.Start(checked.imageSize);
    const bool anyway = checked.imageFit == ImageFit::NotForThisChip && WriteImageNotForThisChip();
    const bool write = checked.imageFit == ImageFit::Fits || anyway;
    // --verbose shows the download's lines as the engine hands them over,
    // from the first line it adds.
    ShowNewLog();
    if (write) SetLockPhase(LockPhase::Writing);
    const bool started = write && engine_.StartDownload(checked, *this, transferLog, anyway);
    WorkerStarted();
    if (!started) {
        LeaveDownloadState();
        return End(report, Outcome::StartFailed);
    }
    downloadResult_ = engine_.WaitForVerdict(kDrawEveryMs, [this] { bar_.Draw(); });
    engine_.LetGo();
    bar_.Finish(downloadResult_ == 1 ? "done" : "failed");
    if (!engine_.RecordProblem().empty()) {
        // The update went on; the computer only lacks its record of it.
        report->notes.push_back("The record of this update could not be kept: " + engine_.RecordProblem() + ".");
        if (!options_.json) Say(stderr, "Note: " + report->notes.back(), kNoteIndent);
    }
    LeaveDownloadState();
    // "Updated" only for a download verified, committed and read back equal.
    if (downloadResult_ == 1)
        return End(report, Outcome::Updated);
    return End(report, Outcome::Failed);
}

// At the verdict: sleep, the camera's stream and the signals are let go.
void ConsoleUpdate::LeaveDownloadState() {
    inhibitor_.Release();
    if (camera) camera->ReleaseCaptureQueue();
    LeaveDownload();
}
