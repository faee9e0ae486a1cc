// The update engine with a terminal (or a deployment tool) for a front end:
// the same check, download and read-back the update window runs, with the
// camera described, a question before writing, a progress bar, and one
// exit code for the caller.
#pragma once

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "console/options.h"
#include "console/outcomes.h"
#include "console/progress_bar.h"
#include "console/report.h"
#include "platform/sleep_inhibitor.h"
#include "update/update_engine.h"

class SystemCamera;

class ConsoleUpdate final : private UpdateObserver {
public:
    // `out` carries what people read (standard error under --json);
    // `interactive`: a person at a terminal can answer questions.
    ConsoleUpdate(const Options& options, FILE* out, bool outIsTerminal, bool interactive);

    // From the power check to the verdict; fills report. The exit code.
    int Run(Report* report);

    // Whether a node was refused for permission; set by main for its
    // system's camera source.
    std::function<bool()> permissionDenied;
    // The system's camera, for the claims on it; set by main.
    SystemCamera* camera = nullptr;
    // Once the power rule lets the check go ahead, before it; may add to
    // the report.
    std::function<void(Report*)> beforeCheck;
    // Discovery, the check and the download append to it; the run's record.
    std::string transferLog;

private:
    enum class Answer { Yes, No, None };  // None: the input ended or was interrupted
    int Check(Report* report);
    int PowerRule(Report* report);
    int Download(Report* report);
    void LeaveDownloadState();
    int End(Report* report, Outcome outcome, const std::string& message = std::string());
    void Describe(const Report& report);
    Answer Confirm(const std::string& question);
    bool WriteImageNotForThisChip();
    void ShowNewLog();
    // On the worker thread, which alone writes the transfer log while the
    // download runs: the bar learns the bytes, --verbose the new lines, and
    // the loop that draws the bar the verdict.
    void OnProgress(uint32_t bytesDone, uint32_t bytesTotal) override;
    void OnLogLines(const std::string& lines) override;
    void OnVerdict(int32_t result) override;

    const Options& options_;
    FILE* out_;
    bool interactive_;
    ProgressBar bar_;
    CUpdateEngine engine_;
    int32_t downloadResult_ = 0;  // the download's verdict
    SleepInhibitor inhibitor_;  // held from just before the first packet to the verdict
    // How much of the transfer log --verbose has shown; the worker moves it
    // on while the download runs, the main thread before and after.
    size_t logShown_ = 0;
};
