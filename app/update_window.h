// The update window's course apart from its widgets: its members, its
// timers, its texts, the bar and the close rules. The run (update_run.h)
// owns the sequence, which the window steps from its timers; the window
// (or a test) supplies the few things only a window can do.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "app/status_texts.h"
#include "platform/win_types.h"
#include "update/update_run.h"

// Timers of the update window.
constexpr UINT_PTR kCheckTimer = 2457;      // 0x999: starts the update check once
constexpr UINT kCheckDelayMs = 20;          // lets the window paint before the check blocks it
constexpr UINT_PTR kProgressTimer = 37008;  // 0x9090: moves the bar while the download runs
constexpr int kProgressStep = 4;

class CUpdateWindow : private RunView {
public:
    CUpdateWindow();
    virtual ~CUpdateWindow();
    CUpdateWindow(const CUpdateWindow&) = delete;
    CUpdateWindow& operator=(const CUpdateWindow&) = delete;

    // After the window's initialisation: the power rule comes first; with
    // mains power the check is armed, without it the user is told to plug
    // in and nothing else runs.
    void StartUp(bool powerKnown, uint8_t acLineStatus);
    // The CheckTimer's work: decides, and starts the download when needed.
    void RunUpdateCheck();
    // The decision, shown as the window shows it; a window writes without
    // a question, so on Update the image is chosen at once and kept.
    CheckVerdict CheckCamera();
    // The run's write: the question about an image not meant for the
    // chip, the reopen and the worker's start.
    void StartDownload();
    // The ProgressTimer's work: moves the bar, or finishes the run.
    void ProgressTick();
    // A request to close: false while a download runs, otherwise the
    // camera is let go and the caller ends the window.
    bool CloseRequested();

    // The run, and the parts of it the window's course reads: its engine
    // (which holds the device object), what its check found, its log.
    CUpdateRun run;
    CUpdateEngine& engine = run.engine;
    const CheckReport& checked = run.Found();
    std::string& transferLog = run.transferLog;

    // The window's members; the check's results are copied from its report.
    int32_t sensorBringUpResult = 0;
    int32_t sensorIdResult = 0;
    int32_t forceUpdate = 0;
    int32_t updateNeeded = 0;
    int32_t flashType = kFlashTypeUnknown;
    uint8_t flashTypeIndex = 0;
    int32_t imageChoice = 0;
    std::unique_ptr<uint8_t[]> imageBuffer;
    int32_t imageSize = 0;
    int32_t busy = 0;
    std::atomic<int32_t> workerDone{0};
    int32_t workerResult = 0;
    std::string statusText;

protected:
    // What only the window can do.
    virtual void ShowStatus() = 0;  // the log area shows statusText
    virtual int AskUser(const char* text, const char* caption, UINT style) = 0;
    virtual void StartTimer(UINT_PTR id, UINT periodMs) = 0;
    virtual void StopTimer(UINT_PTR id) = 0;
    virtual void EnableCloseButton(bool enable) = 0;
    virtual void EnableDownloadButton(bool enable) = 0;
    virtual int ProgressPosition() = 0;
    virtual void SetProgressPosition(int position) = 0;
    virtual void RedrawNow() = 0;
    virtual void ScrollLogToEnd() = 0;

private:
    // What the run shows and asks through the window.
    Answer Ask(Question question, const CheckReport& found) override;
    // On the worker thread: the result, then the flag the tick reads.
    void OnVerdict(int32_t result) override;
    void ShowVerdict(const RunVerdict& verdict, const CheckReport& found) override;
    void Stop(const char* text);
    void Finished(bool updated);
    void CopyFound();
    void KeepImage();
};
