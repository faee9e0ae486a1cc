// The update core with a terminal (or a deployment tool) for a window: the
// same check, download and read-back the update window runs, with the
// camera described, a question before writing, a progress bar, and one
// exit code for the caller.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/update_core.h"
#include "console/options.h"
#include "console/progress_bar.h"
#include "console/report.h"
#include "console/sleep_inhibitor.h"

class SystemCamera;

class ConsoleUpdate final : public CUpdateCore, private DownloadObserver {
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

protected:
    void ShowStatus() override {}
    int AskUser(const char* text, const char* caption, UINT style) override;
    void StartTimer(UINT_PTR id, UINT periodMs) override;
    void StopTimer(UINT_PTR) override {}
    void EnableCloseButton(bool) override {}
    void EnableDownloadButton(bool) override {}
    int ProgressPosition() override { return 0; }
    void SetProgressPosition(int) override {}
    void RedrawNow() override {}
    void ScrollLogToEnd() override {}

private:
    int Check(Report* report);
    int Download(Report* report);
    void LeaveDownloadState();
    int End(Report* report, int code, const char* result, const std::string& message);
    void Describe(const Report& report);
    bool Confirm(const std::string& question);
    void ShowNewLog();
    void ShowRestOfLog();
    // On the worker thread, which alone writes the transfer log while the
    // download runs: the bar learns the bytes, --verbose the new lines.
    void OnProgress(uint32_t bytesDone, uint32_t bytesTotal) override;

    const Options& options_;
    FILE* out_;
    bool interactive_;
    ProgressBar bar_;
    bool checkArmed_ = false;  // the power rule let the check go ahead
    SleepInhibitor inhibitor_;  // held from just before the first packet to the verdict
    // How much of the transfer log --verbose has shown; the worker moves it
    // on while the download runs, the main thread before and after.
    size_t logShown_ = 0;
};
