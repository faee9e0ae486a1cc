#include "console/console_update.h"

#include <cerrno>
#include <cstring>

#include "console/exit_codes.h"
#include "console/outcomes.h"
#include "update/log_lines.h"
#include "console/log_text.h"
#include "discovery/system_camera.h"
#include "firmware/firmware_image.h"
#include "link/uvc_errors.h"

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

// A warning of several words fits a terminal of the usual width, its
// lines after the first under the first's words.
constexpr size_t kTerminalColumns = 80;
constexpr const char* kNoteIndent = "      ";

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
    std::fprintf(out_, "%s: %s\n", kWrongImageCaption, kWrongImageQuestion);
    return Confirm("Write it anyway?") == Answer::Yes;
}

ConsoleUpdate::Answer ConsoleUpdate::Confirm(const std::string& question) {
    SetLockPhase(LockPhase::Asking);
    std::fprintf(out_, "%s [y/N] ", question.c_str());
    std::fflush(out_);
    std::string answer;
    const bool got = ReadAnswer(&answer);
    SetLockPhase(LockPhase::Checking);
    if (!got) {
        std::fputc('\n', out_);
        return Answer::None;
    }
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" ? Answer::Yes : Answer::No;
}

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

int ConsoleUpdate::End(Report* report, Outcome outcome, const std::string& message) {
    ShowRestOfLog();
    const OutcomeRow& row = OutcomeOf(outcome);
    const int code = row.code;
    report->exitCode = code;
    report->result = row.result;
    report->message = message.empty() ? row.text : message;
    report->failure = outcome == Outcome::Failed || outcome == Outcome::StartFailed ? engine_.DownloadFailure()
                      : outcome == Outcome::CheckFailed                           ? report->check.failure
                                                                                  : Failure::None;
    // Advice from the cause that was found.
    switch (outcome == Outcome::Failed ? report->failure : Failure::None) {
    case Failure::LengthFixedByDriver:
        // uvcvideo keeps the length it learnt until the camera is unplugged.
        report->message = "The update failed: the camera changed a control's length after uvcvideo fixed "
                          "it at the control's first use. Unplug and replug the camera, then run "
                          "korvane-update again.";
        break;
    case Failure::CameraGone:
        report->message = "The update failed: the camera went away during the download. Check its cable "
                          "and port, keep it plugged in, and run korvane-update again.";
        break;
    case Failure::ChecksumMismatch:
    case Failure::VerifyFailed:
        report->message = "The update failed: the camera did not take the image intact. Run "
                          "korvane-update again.";
        break;
    default: break;
    }
    // A camera that may suspend explains a camera gone or a request refused,
    // not a checksum.
    const bool mayBeSuspend = report->failure == Failure::CameraGone || report->failure == Failure::RequestFailed;
    // The command that keeps it awake ends the words; people get it on a
    // line of its own, whole to copy.
    std::string awake;
    if (code == kExitFailed && mayBeSuspend && camera && camera->MaySuspend()) {
        awake = "echo on | sudo tee " + PowerControlFile(report->check.busPlace);
        report->message += " USB autosuspend is on for this camera (power/control = auto) and this kernel "
                           "may let it suspend while in use; if it fails again, keep it awake for the run:";
    }
    const std::string words = report->message;  // what people read before the command
    if (!awake.empty()) report->message += " " + awake;
    // A camera passed over unasked says why in the notes; one whose requests
    // failed, only in the transfer log.
    if (code == kExitFailed || code == kExitNoCamera)
        report->logTail = LastLines(transferLog, kFailureLines);
    // The log file ends with the verdict, which reaches it even when no
    // one reads the terminal or the pipe any more: on a line of its own,
    // never after the camera's open last line, and not shown by --verbose,
    // which says it below.
    if (!transferLog.empty() && transferLog.back() != '\n') transferLog += "\r\n";
    transferLog += report->message + "\r\n";
    logShown_ = transferLog.size();
    // Under --json people's words go to standard error, the document alone to standard output.
    FILE* said = options_.json || row.stream == Stream::Err ? stderr : out_;
    if (awake.empty())
        std::fprintf(said, "%s\n", report->message.c_str());
    else
        std::fprintf(said, "%s    %s\n", Wrapped(words, kTerminalColumns, "").c_str(), awake.c_str());
    // --verbose has shown the whole log already.
    if (!report->logTail.empty() && !options_.verbose) {
        std::fputs("Transfer log, last lines:\n", stderr);
        for (const std::string& line : report->logTail) std::fprintf(stderr, "  %s\n", line.c_str());
    }
    std::fflush(said);
    // As the window closes: the camera is let go, with the pulse that tells
    // it to carry on when no update was decided.
    engine_.LetGo();
    return code;
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
    if (c.verdict == CheckVerdict::Update)
        std::fprintf(out_, "Update:        image %d (%s), %d bytes\n", c.imageId, c.imageVersion,
                     int(c.imageSize));
    std::fflush(out_);
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
    std::fprintf(stderr, "Not on mains power; going on as --on-battery asks.\n");
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
        for (const std::string& note : report->notes) std::fprintf(stderr, "Note: %s\n", note.c_str());
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
            return End(report, Interrupted() ? Outcome::Interrupted : Outcome::TerminalClosed);
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
    if (camera && !camera->TakeCaptureQueue(checked.cameraPath, &transferLog)) {
        LeaveDownload();
        return End(report, Outcome::InUse);
    }
    if (!options_.json && !options_.quiet)
        std::fprintf(out_, "Writing image %d (%s); do not unplug the camera.\n", checked.imageId,
                     checked.imageVersion);
    std::string why;
    if (!inhibitor_.Take(&why)) {
        // A warning: on standard error, and in the notes the JSON document
        // and the log file carry.
        report->notes.push_back("Sleep and shut-down are not held off during the download (" + why + ").");
        std::fputs(Wrapped("Note: " + report->notes.back(), kTerminalColumns, kNoteIndent).c_str(), stderr);
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
        if (!options_.json) std::fprintf(stderr, "Note: %s\n", report->notes.back().c_str());
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
