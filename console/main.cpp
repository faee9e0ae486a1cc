// korvane-update: the camera's firmware update from a terminal or a
// deployment tool. See --help and the manual page for the options and
// the exit codes.
#include <cstdio>
#include <cstring>

#include "console/camera_list.h"
#include "console/console_update.h"
#include "console/history_list.h"
#include "console/screen.h"
#include "console/update_log.h"
#include "discovery/support_facts.h"
#include "discovery/system_camera.h"
#include "firmware/firmware_image.h"
#include "korvane_version.h"
#include "platform/com_apartment.h"
#include "platform/interrupts.h"
#include "platform/state_folder.h"
#include "platform/system_words.h"
#include "update/json_document.h"
#include "update/log_lines.h"
#include "update/run_ends.h"

namespace {

struct Run {
    Options options;
    UpdateLog log;
    Report report;
};

int Finish(const Run& run) {
    if (run.options.json) PrintDocument(kProgramName, RunFacts(run.report), run.report);
    return run.report.exitCode;
}

// Every run that opened the log adds its record, however it ends.
void Record(Run& run, const std::string& transferLog) {
    if (run.log.IsOpen() && !run.log.Write(run.report, transferLog))
        Say(stderr, "korvane-update: cannot write the log to " + run.options.logFile);
}

// A run refused before it reached a camera: the words, the record, the document.
int Refuse(Run& run, Outcome outcome, const std::string& message) {
    run.report.Ends(outcome, message);
    Say(stderr, "korvane-update: " + message);
    Record(run, "");
    return Finish(run);
}

// A command line refused: the JSON document and the log's record too when
// they were asked for, though the options could not be read.
int RefuseUsage(int argc, char** argv, Run& run) {
    for (int i = 1; i < argc; ++i) {
        run.options.json |= std::strcmp(argv[i], "--json") == 0;
        if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc) run.options.logFile = argv[i + 1];
        if (std::strncmp(argv[i], "--log=", 6) == 0) run.options.logFile = argv[i] + 6;
    }
    std::string reason;
    if (!run.options.logFile.empty()) run.log.Open(run.options.logFile, &reason);
    run.report.Ends(Outcome::Usage, run.options.usageError);
    Record(run, "");
    return Finish(run);
}

// "korvane-update 1.0.0 (firmware V0308, V0309)", and the same images in
// the document.
int PrintVersion(const Options& options) {
    std::string text = "korvane-update " KORVANE_VERSION " (firmware ";
    JsonDocument images = JsonDocument::array();
    for (const CarriedImage& image : kCarriedImages) {
        text += std::string(images.empty() ? "" : ", ") + image.version;
        images.push_back({{"id", image.id}, {"version", image.version}});
    }
    text += ")";
    Report ended;
    ended.Ends(Outcome::Version, text);
    const bool printed = options.json ? PrintDocument(kProgramName, {{"images", images}}, ended)
                                      : std::fputs((text + "\n").c_str(), stdout) >= 0 && std::fflush(stdout) == 0;
    return ExitWith(printed ? Outcome::Version : Outcome::Failed);
}

// The one-update lock, before the choice of a camera asks any its chip
// ID; false, the run refused, when it is not held.
bool TakeLock(Run& run, int* code) {
    RunVerdict refused;
    if (TakeRunLock(std::string(kProgramName) + kProgramFileSuffix, &refused)) return true;
    *code = Refuse(run, OutcomeOf(refused.end), RunEndWords(refused, CheckReport()));
    return false;
}

// --report: the program's name and version, then what discovery gathers
// for someone supporting a camera; nothing is written to its flash.
bool PrintSupportReport(const Options& options) {
    const SupportFacts facts = GatherSupportFacts();
    Report reported;
    reported.Ends(Outcome::Reported);
    if (options.json) return PrintDocument(kProgramName, facts, reported);
    SupportFacts report = {{"program", std::string("korvane-update ") + KORVANE_VERSION}};
    report.update(facts);
    const std::string text = SupportFactsText(report);
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = text.substr(at, end - at);
        Say(stdout, line, line.find_first_not_of(' ') + 4);
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

int ReportForSupport(Run& run) {
    const bool printed = PrintSupportReport(run.options);
    run.report.Ends(printed ? Outcome::Reported : Outcome::Failed,
                    printed ? "" : "The support report could not be printed.");
    Record(run, std::string("The support report was gathered and printed on standard output") +
                    (run.options.json ? " as JSON" : "") + ".\r\n");
    return run.report.exitCode;
}

int List(Run& run, FILE* out) {
    std::string log;
    SystemCamera camera(&log, run.options.device);
    ListCameras(run.options, camera.AllCameras(), out, &run.report, &log);
    if (run.options.verbose && !WholeLines(log).empty()) Say(stderr, PlainText(WholeLines(log)), 2);
    Record(run, log);
    return run.report.exitCode;
}

int Update(Run& run, FILE* out) {
    ConsoleUpdate update(run.options, out);
    SystemCamera camera(&update.transferLog, run.options.device);
    // A camera chosen that is not there is the command line's fault, not
    // a missing camera; one another run holds is said as such by the run.
    if (!camera.ChoiceNamesACamera() && camera.HeldByAnotherRun().empty())
        return Refuse(run, Outcome::Usage, DeviceNamesNothing(run.options.device, camera.AllCameras()));
    update.Run(&camera, &run.report);
    Record(run, update.transferLog);
    return Finish(run);
}

}  // namespace

int main(int argc, char** argv) {
    // Every camera walk of this program runs on this thread.
    [[maybe_unused]] ComApartment com;
    Run run;
    if (const auto ended = ParseOptions(argc, argv, &run.options))
        return *ended == Outcome::Usage ? RefuseUsage(argc, argv, run) : ExitWith(*ended);
    if (run.options.version) return PrintVersion(run.options);
    // Only reads a file: no camera, no lock, no log.
    if (run.options.history) return ExitWith(ListHistory(run.options, StateFolder(), stdout));
    // The log is opened before anything reaches the camera: a run whose
    // record could not be kept is refused at once.
    std::string reason;
    if (!run.options.logFile.empty() && !run.log.Open(run.options.logFile, &reason))
        return Refuse(run, Outcome::Usage, "cannot open the log file " + run.options.logFile + ": " + reason);
    InstallInterruptGuard("korvane-update");
    int code = 0;
    if (!TakeLock(run, &code)) return code;
    if (run.options.report) return ReportForSupport(run);
    // Under --json, standard output carries the document alone.
    FILE* out = run.options.json ? stderr : stdout;
    return run.options.list ? List(run, out) : Update(run, out);
}
