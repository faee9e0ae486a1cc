// The update run (update/update_run.h) with a terminal (or a deployment
// tool) for a front end: the camera described, a question before writing,
// a progress bar, and one exit code for the caller. The run owns the
// sequence; this only shows it and asks.
#pragma once

#include <cstdio>
#include <string>

#include "console/options.h"
#include "console/progress_bar.h"
#include "update/run_report.h"
#include "update/update_run.h"

class SystemCamera;

class ConsoleUpdate final : private RunView {
    // First, since transferLog below is its log.
    CUpdateRun run_;

public:
    // `out` carries what people read (standard error under --json).
    ConsoleUpdate(const Options& options, FILE* out);

    // From the check to the verdict, on the system's camera (for the claims
    // on it, and the others it offers); fills report.
    void Run(SystemCamera* camera, Report* report);

    // Discovery, the check and the download append to it; the run's record.
    std::string& transferLog;

private:
    void Attached(const std::vector<AttachedCamera>& cameras) override;
    void Describe(const CheckReport& found) override;
    void Note(const std::string& note) override;
    void PowerOverridden() override;
    Answer Ask(Question question, const CheckReport& found) override;
    void Writing(const CheckReport& found) override;
    // On the worker thread, which alone writes the transfer log while the
    // download runs: the bar learns the bytes, --verbose the new lines.
    void OnProgress(uint32_t bytesDone, uint32_t bytesTotal) override;
    void OnLogLines(const std::string& lines) override;
    void ShowVerdict(const RunVerdict& verdict, const CheckReport& found) override;

    void End(Outcome outcome, const std::string& message, const std::string& keepAwake);
    void DescribeFound();
    Answer Confirm(const std::string& question);
    void ShowNewLog();

    const Options& options_;
    FILE* out_;
    ProgressBar bar_;
    Report* report_ = nullptr;
    bool writing_ = false;  // the notes from here on are the download's
    // How much of the transfer log --verbose has shown; the worker moves it
    // on while the download runs, the main thread before and after.
    size_t logShown_ = 0;
};
