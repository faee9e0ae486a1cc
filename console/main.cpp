// korvane-update: the camera's firmware update from a terminal or a
// deployment tool. See --help and the manual page for the options and
// the exit codes.
#include <cstdio>
#include <cstring>

#include "console/camera_list.h"
#include "console/console_update.h"
#include "console/exit_codes.h"
#include "console/outcomes.h"
#include "console/history_list.h"
#include "console/interrupt_lines.h"
#include "console/json_document.h"
#include "console/log_text.h"
#include "console/options.h"
#include "console/report.h"
#include "console/support_report.h"
#include "console/update_log.h"
#include "discovery/system_camera.h"
#include "platform/com_apartment.h"
#include "platform/instance_lock.h"
#include "platform/interrupts.h"
#include "platform/state_folder.h"

#include "korvane_version.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

// As the lock's record names this program to a run it refuses.
#ifdef _WIN32
constexpr const char* kProgramName = "korvane-update.exe";
#else
constexpr const char* kProgramName = "korvane-update";
#endif

int Finish(const Options& options, const Report& report) {
    if (options.json) {
        std::fputs(ReportJson(report).c_str(), stdout);
        std::fflush(stdout);
    }
    return report.exitCode;
}

// A command line refused: the JSON document too when one was asked for,
// though the options could not be read.
int UsageError(int argc, char** argv, const std::string& message) {
    Options options;
    for (int i = 1; i < argc; ++i) options.json |= std::strcmp(argv[i], "--json") == 0;
    Report report;
    report.exitCode = OutcomeOf(Outcome::Usage).code;
    report.result = OutcomeOf(Outcome::Usage).result;
    report.message = message;
    return Finish(options, report);
}

// Who holds the lock and what it does, for the refusal; the lock's name
// alone when its holder left no record that reads.
std::string LockHolderWords(const LockHolder& holder, const std::string& lockName) {
    if (holder.program.empty()) return " (" + lockName + " is held)";
    const char* doing = "is checking a camera";
    switch (holder.phase) {
    case LockPhase::Checking: break;
    case LockPhase::Asking: doing = "is waiting for an answer at its question"; break;
    case LockPhase::Writing: doing = "is writing a camera's firmware"; break;
    case LockPhase::WindowOpen: doing = "has the update window open"; break;
    }
    return ": " + Printable(holder.program) + " (process " + std::to_string(holder.process) + ") " + doing;
}

}  // namespace

int main(int argc, char** argv) {
    // Every camera walk of this program runs on this thread.
    [[maybe_unused]] ComApartment com;
    Options options;
    const int parsed = ParseOptions(argc, argv, &options);
    if (parsed == kExitUsage) return UsageError(argc, argv, options.usageError);
    if (parsed >= 0) return parsed;
    if (options.version) {
        const std::string version = "korvane-update " KORVANE_VERSION;
        const OutcomeRow& row = OutcomeOf(Outcome::Version);
        std::fputs(options.json ? DocumentText({}, row.result, row.code, version).c_str() : (version + "\n").c_str(),
                   stdout);
        return std::fflush(stdout) == 0 ? row.code : kExitFailed;
    }
    // Only reads a file: no camera, no lock, no log.
    if (options.history) return ListHistory(options, StateFolder(), stdout);

    // The log is opened before anything reaches the camera: a run whose
    // record could not be kept is refused at once.
    UpdateLog updateLog;
    std::string reason;
    if (!options.logFile.empty() && !updateLog.Open(options.logFile, &reason)) {
        const std::string message = "cannot open the log file " + options.logFile + ": " + reason;
        std::fprintf(stderr, "korvane-update: %s\n", message.c_str());
        return UsageError(argc, argv, message);
    }

    // Under --json, standard output carries the document alone.
    FILE* out = options.json ? stderr : stdout;
    const bool outIsTerminal = isatty(fileno(out)) != 0;
    const bool interactive = isatty(fileno(stdin)) != 0 && outIsTerminal;
    InstallInterruptGuard(kInterruptLines);

    Report report;
    // Every run that opened the log adds its record, however it ends.
    const auto record = [&](const std::string& log) {
        if (updateLog.IsOpen() && !updateLog.Write(report, log))
            std::fprintf(stderr, "korvane-update: cannot write the log to %s\n", options.logFile.c_str());
    };
    const auto refuse = [&](Outcome outcome, const std::string& message) {
        report.exitCode = OutcomeOf(outcome).code;
        report.result = OutcomeOf(outcome).result;
        report.message = message;
        std::fprintf(stderr, "korvane-update: %s\n", message.c_str());
        record("");
        return Finish(options, report);
    };
    std::string lockName;
    LockHolder holder;
    switch (TakeInstanceLock(kProgramName, &lockName, &holder)) {
    case LockResult::Held: break;
    case LockResult::Busy:
        return refuse(Outcome::OtherInstance, "Another camera update is running" +
                                                  LockHolderWords(holder, lockName) + "; nothing was done.");
    case LockResult::Unavailable:
        return refuse(Outcome::Failed,
                      "Cannot take the instance lock (" + lockName + "); nothing was done.");
    }

    int code;
    std::string log;
    if (options.report) {
        code = PrintSupportReport(options);
        const OutcomeRow& ended = OutcomeOf(code == kExitUpdated ? Outcome::Reported : Outcome::Failed);
        report.exitCode = code;
        report.result = ended.result;
        report.message = code == kExitUpdated ? ended.text : "The support report could not be printed.";
        record(std::string("The support report was gathered and printed on standard output") +
               (options.json ? " as JSON" : "") + ".\r\n");
        return code;
    }
    if (options.list) {
        SystemCamera camera(&log, options.device);
        code = ListCameras(options, camera.AllCameras(), out, &report, &log);
        // The checks' transfer log, each camera's in turn, its last line ended.
        if (options.verbose && !log.empty()) {
            const std::string text = PlainText(log);
            std::fprintf(stderr, "%s%s", text.c_str(), text.back() == '\n' ? "" : "\n");
        }
        record(log);
        return code;
    }
    {
        ConsoleUpdate update(options, out, outIsTerminal, interactive);
        SystemCamera camera(&update.transferLog, options.device);
        // A camera chosen that is not there is the command line's fault, not
        // a missing camera; one another run holds is said as such below.
        if (!camera.ChoiceNamesACamera() && camera.HeldByAnotherRun().empty())
            return refuse(Outcome::Usage, DeviceNamesNothing(options.device, camera.AllCameras()));
        if (options.device.empty())
            update.beforeCheck = [&](Report* r) {
                NameOtherCameras(camera.AllCameras(), options.json || options.quiet ? nullptr : out, r);
            };
        update.camera = &camera;
        code = update.Run(&report);
        log = update.transferLog;
    }
    record(log);
    Finish(options, report);
    return code;
}
