#include "console/options.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "console/exit_codes.h"

#include "korvane_version.h"

namespace {

constexpr const char* kDescription =
    "Updates the firmware of the Tarvex USB camera: finds the camera, decides\n"
    "whether it needs new firmware as the update window does, and writes it,\n"
    "verified.\n";

// Where a deployment tool might keep the log, as each system would.
#ifdef _WIN32
#define KORVANE_LOG_EXAMPLE "%ProgramData%\\korvane-update.log"
#define KORVANE_STATE_FOLDER "%STATE_DIRECTORY% when set, else %ProgramData%\\Korvane"
#else
#define KORVANE_STATE_FOLDER "$STATE_DIRECTORY when set, else /var/lib/korvane-update\n" \
    "  for root, else ~/.local/state/korvane-update"
#define KORVANE_LOG_EXAMPLE "/var/log/korvane-update.log"
#endif

constexpr const char* kFooter =
    "\nExamples:\n"
    "  korvane-update                 describe the camera, ask, then update it\n"
    "  korvane-update --check         only say whether an update is due\n"
    "  korvane-update --yes --json    unattended, one JSON report on stdout\n"
    "  korvane-update --yes --log " KORVANE_LOG_EXAMPLE "\n"
    "  korvane-update --list          the cameras attached, numbered\n"
    "  korvane-update --device 2 --check\n"
    "  korvane-update --history       the updates this computer made\n"
    "\nEach update is recorded (see --history) in the folder\n  " KORVANE_STATE_FOLDER ".\n"
    "\nExit codes:\n";

// The examples, then every exit code from the one table.
std::string Footer() {
    std::string footer = kFooter;
    char line[96];
    for (const ExitCodeMeaning& row : kExitCodeMeanings) {
        std::snprintf(line, sizeof line, "  %-3d %s\n", int(row.code), row.meaning);
        footer += line;
    }
    return footer;
}

}  // namespace

int ParseOptions(int argc, char** argv, Options* options) {
    CLI::App app(kDescription, "korvane-update");
    app.footer(Footer());
    app.add_flag("--check", options->check, "Decide and report; the flash is not touched");
    app.add_flag("-y,--yes", options->yes, "Update without asking (for deployment tools)");
    app.add_flag("--json", options->json, "Print one JSON report on standard output");
    app.add_option("--log", options->logFile, "Append this run's record to FILE")
        ->type_name("FILE");
    app.add_flag("-v,--verbose", options->verbose, "Show the transfer log on standard error");
    app.add_flag("--list", options->list, "List the cameras attached; write nothing");
    app.add_flag("--history", options->history,
                 "List the updates this computer made; touch no camera");
    app.add_option("--device", options->device, "Use only this camera (number or path)")
        ->type_name("N|PATH");
    app.add_flag("--on-battery", options->onBattery, "Update even without mains power");
    app.add_flag("--report", options->report,
                 "Facts for support; the flash is not touched");
    bool version = false;
    app.add_flag("--version", version, "Print the version and exit");
    app.get_option("--check")->excludes("--yes");
    app.get_option("--report")->excludes("--check")->excludes("--yes");
    for (const char* other : {"--check", "--yes", "--report", "--list", "--device", "--log"})
        app.get_option("--history")->excludes(other);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return kExitUpdated;
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "korvane-update: %s\nRun with --help for the options.\n", error.what());
        options->usageError = error.what();
        return kExitUsage;
    }
    if (version) {
        std::printf("korvane-update %s\n", KORVANE_VERSION);
        return kExitUpdated;
    }
    return -1;
}
