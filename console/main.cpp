// korvane-update: the camera's firmware update from a terminal or a
// deployment tool. See --help and the manual page for the options and
// the exit codes.
#include <cstdio>
#include <fstream>

#include "console/console_update.h"
#include "console/exit_codes.h"
#include "console/instance_lock.h"
#include "console/interrupts.h"
#include "console/log_text.h"
#include "console/options.h"
#include "console/report.h"
#include "console/support_report.h"
#include "console/system_camera.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

// The whole transfer log into the file the user named.
void WriteLog(const std::string& file, const std::string& log) {
    std::ofstream out(file);
    out << PlainText(log);
    if (!out.flush())
        std::fprintf(stderr, "korvane-update: cannot write the log to %s\n", file.c_str());
}

int Finish(const Options& options, const Report& report) {
    if (options.json) {
        std::fputs(ReportJson(report).c_str(), stdout);
        std::fflush(stdout);
    }
    return report.exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const int parsed = ParseOptions(argc, argv, &options);
    if (parsed >= 0) return parsed;

    // Under --json, standard output carries the document alone.
    FILE* out = options.json ? stderr : stdout;
    const bool outIsTerminal = isatty(fileno(out)) != 0;
    const bool interactive = isatty(fileno(stdin)) != 0 && outIsTerminal;
    InstallInterruptGuard();

    Report report;
    std::string lockName;
    const auto refuse = [&](int code, const char* result, const std::string& message) {
        report.exitCode = code;
        report.result = result;
        report.message = message;
        std::fprintf(stderr, "korvane-update: %s\n", message.c_str());
        return Finish(options, report);
    };
    switch (TakeInstanceLock(&lockName)) {
    case LockResult::Held: break;
    case LockResult::Busy:
        return refuse(kExitOtherInstance, "other-instance",
                      "Another camera update is running (" + lockName + " is held); nothing was done.");
    case LockResult::Unavailable:
        return refuse(kExitFailed, "failed",
                      "Cannot take the instance lock (" + lockName + "); nothing was done.");
    }

    if (options.report) return PrintSupportReport(options);

    int code;
    std::string log;
    {
        ConsoleUpdate update(options, out, outIsTerminal, interactive);
        SystemCamera camera(&update.transferLog, options.device);
        update.permissionDenied = [&camera] { return camera.PermissionDenied(); };
        update.camera = &camera;
        code = update.Run(&report);
        log = update.transferLog;
    }
    if (!options.logFile.empty()) WriteLog(options.logFile, log);
    Finish(options, report);
    return code;
}
