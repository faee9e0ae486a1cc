#include "console/options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "console/screen.h"
#include "platform/state_folder.h"
#include "platform/system_words.h"
#include "platform/terminal.h"
#include "platform/word_wrap.h"

namespace {

// Help wider than this is hard to read even on a wide terminal; a pipe
// gets it too. Narrower than kHelpNarrowest, every term gets a line of its own.
constexpr size_t kHelpWidest = 80;
constexpr size_t kHelpNarrowest = 40;
constexpr size_t kHangingColumn = 6;
// Words narrower than this beside their term read badly: below it instead.
constexpr size_t kLeastWordsColumn = 24;

// "  term    words…": the words from `column`, wrapped within `width`; on
// their own lines below the term, from kHangingColumn, when the term is too
// long or the column leaves too little room.
std::string HelpItem(const std::string& term, const std::string& words, size_t column, size_t width) {
    std::string text = "  " + term;
    const bool beside = width >= column + kLeastWordsColumn && text.size() + 2 <= column;
    if (!beside) column = kHangingColumn;
    const std::vector<std::string> lines = WordLines(words, width - column, width - column);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i == 0 && beside) {
            text += std::string(column - text.size(), ' ') + lines[i] + "\n";
        } else {
            if (i == 0) text += "\n";
            text += std::string(column, ' ') + lines[i] + "\n";
        }
    }
    return lines.empty() ? text + "\n" : text;
}

// --help laid out for the terminal it is read on: every line within the
// width, each option's words in a column of their own, wrapped there.
class HelpFormatter final : public CLI::Formatter {
public:
    explicit HelpFormatter(size_t width) : width_(width) {}

    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode) const override {
        std::string text = "Usage: " + name + " [OPTIONS]\n\n" + Wrapped(app->get_description(), width_, "");
        text += "\nOptions:\n";
        for (const CLI::Option* option : app->get_options()) {
            std::string term = option->get_name(false, true);
            for (size_t at = 0; (at = term.find(',', at)) != std::string::npos; at += 2) term.replace(at, 1, ", ");
            if (option->get_type_size() != 0) term += " " + option->get_type_name();
            text += HelpItem(term, option->get_description(), 22, width_);
        }
        return text + app->get_footer();
    }

private:
    size_t width_;
};

constexpr const char* kDescription =
    "Updates the firmware of the Tarvex USB camera: finds the camera, decides\n"
    "whether it needs new firmware as the update window does, and writes it,\n"
    "verified.\n";

struct Example {
    const char* command;
    const char* what;
    const char* where = nullptr;  // a path for it, as the system would keep it
};
constexpr Example kExamples[] = {
    {"korvane-update", "describe the camera, ask, then update it"},
    {"korvane-update --check", "only say whether an update is due"},
    {"korvane-update --yes --json", "unattended, one JSON report on standard output"},
    {"korvane-update --yes --log FILE", "unattended, each run's record added to FILE", kLogFileExample},
    {"korvane-update --list", "the cameras attached, numbered"},
    {"korvane-update --device 2 --check", "check the second camera of --list"},
    {"korvane-update --history", "the updates this computer made"},
};

// The examples, where the records are kept, then every exit code from the
// one table with the results that end with it.
std::string Footer(size_t width) {
    std::string footer = "\nExamples:\n";
    for (const Example& e : kExamples)
        footer += HelpItem(e.command, e.what + (e.where ? std::string(" (") + e.where + ")" : ""), 33, width);
    footer += "\n" + Wrapped("Each update is recorded (see --history) in the folder " + std::string(kStateFolderRule) +
                             ".", width, "");
    footer += "\nExit codes (and their results in JSON and logs):\n";
    for (const OutcomeRow& row : kOutcomes) {
        if (!row.meaning) continue;
        std::string results;
        for (const OutcomeRow& outcome : kOutcomes)
            if (outcome.code == row.code && results.find(outcome.result) == std::string::npos)
                results += std::string(results.empty() ? "" : ", ") + outcome.result;
        footer += HelpItem(std::to_string(row.code), std::string(row.meaning) + " (" + results + ")", 8, width);
    }
    return footer;
}

size_t HelpWidth() { return std::max(std::min(LineWidth(stdout), kHelpWidest), kHelpNarrowest); }

void Describe(CLI::App& app, Options* options) {
    const size_t width = HelpWidth();
    app.formatter(std::make_shared<HelpFormatter>(width));
    app.footer(Footer(width));
    app.add_flag("--check", options->check, "Decide and report; the flash is not written (the let-go sends download enable 1, then 0)");
    app.add_flag("-y,--yes", options->yes, "Update without asking (for deployment tools)");
    app.add_flag("--json", options->json, "Print one JSON report on standard output");
    app.add_option("--log", options->logFile, "Add this run's record to FILE")->type_name("FILE");
    app.add_flag("-v,--verbose", options->verbose, "Show the transfer log on standard error");
    app.add_flag("-q,--quiet", options->quiet,
                 "Print the verdict only (and what went wrong, on standard error)");
    app.add_flag("--list", options->list, "List the cameras attached; the flash is not written (the let-go sends download enable 1, then 0)");
    app.add_flag("--history", options->history, "List the updates this computer made; touch no camera");
    app.add_option("--device", options->device, "Use only this camera: its number in --list, or its path")
        ->type_name("N|PATH");
    app.add_flag("--on-battery", options->onBattery, "Update even without mains power");
    app.add_flag("--report", options->report, "Facts for support; the flash is not touched");
    app.add_flag("--version", options->version, "Print the version and exit");
}

// What does not combine is refused, never quietly dropped.
void KeepApart(CLI::App& app) {
    const auto apart = [&app](const char* option, std::initializer_list<const char*> others) {
        for (const char* other : others) app.get_option(option)->excludes(other);
    };
    apart("--check", {"--yes", "--on-battery"});
    apart("--quiet", {"--verbose"});
    apart("--list", {"--check", "--yes", "--report", "--device", "--on-battery", "--quiet"});
    apart("--report", {"--check", "--yes", "--device", "--on-battery", "--quiet"});
    apart("--history", {"--check", "--yes", "--report", "--list", "--device", "--log", "--on-battery",
                        "--verbose", "--quiet"});
    apart("--version", {"--check", "--yes", "--log", "--verbose", "--quiet", "--list", "--history", "--device",
                        "--on-battery", "--report"});
}

}  // namespace

std::optional<Outcome> ParseOptions(int argc, char** argv, Options* options) {
    CLI::App app(kDescription, "korvane-update");
    Describe(app, options);
    KeepApart(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return Outcome::Help;
    } catch (const CLI::ParseError& error) {
        Say(stderr, std::string("korvane-update: ") + error.what() + "\nRun with --help for the options.");
        options->usageError = error.what();
        return Outcome::Usage;
    }
    return std::nullopt;
}
