// The update window's state and its whole course, from the power check to
// the verdict, apart from the window itself: the update check, the download
// run on a worker thread, the progress ticks and the close. The window (or
// a test) supplies the few things only a window can do. Nothing here needs
// Windows: the check and the download run wherever a camera can be found.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "app/status_texts.h"
#include "chip/cam_device.h"
#include "firmware/flash_content.h"
#include "platform/win_types.h"

// Timers of the update window.
constexpr UINT_PTR kCheckTimer = 2457;      // 0x999: starts the update check once
constexpr UINT kCheckDelayMs = 20;          // lets the window paint before the check blocks it
constexpr UINT_PTR kProgressTimer = 37008;  // 0x9090: moves the bar while the download runs
constexpr int kProgressStep = 4;

// How the update check ended.
enum class CheckVerdict {
    NoCamera,  // no camera of ours' family could be opened
    NotOurs,   // nothing vouches that the camera is ours
    Current,   // its firmware suits its flash
    Update,    // it needs the update; the image is loaded
    Failed,    // it is ours but the check could not finish: nothing written
};


class CUpdateCore {
public:
    CUpdateCore();
    virtual ~CUpdateCore();
    CUpdateCore(const CUpdateCore&) = delete;
    CUpdateCore& operator=(const CUpdateCore&) = delete;

    // After the window's initialisation: with mains power the check is
    // armed, without it the user is told to plug in and nothing else runs.
    void StartUp(bool powerKnown, uint8_t acLineStatus);

    // The CheckTimer's work: decides, and starts the download when needed.
    void RunUpdateCheck();
    // The decision alone: opens the camera, decides, shows a stop text or
    // loads the image. A front end that asks first calls StartDownload after.
    CheckVerdict CheckCamera();
    // Reopens the camera, patches the image and starts the worker.
    void StartDownload();
    // The worker thread's routine; its parameter is the update core.
    static uint32_t DownloadWorker(void* self);
    // The ProgressTimer's work: moves the bar, or finishes the run.
    void ProgressTick();
    // A request to close: false while a download runs, otherwise the
    // camera is let go and the caller ends the window.
    bool CloseRequested();

    // Members the check, the run and the close share.
    CCamDevice* device = nullptr;
    std::unique_ptr<uint8_t[]> readBuffer;
    // The sensor probe's results, kept as the check left them though only
    // the check itself reads them.
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
    std::string transferLog;
    // What the check learnt, for front ends that report it: the opened
    // camera's friendly name, where it is and its chip ID (-1 unknown), the
    // FlashTypeCode in its flash (-1 unread), and where that code said
    // current, how the whole flash compared with the image (flashCompared)
    // and the first address where it differed.
    std::string cameraName;
    std::string cameraPath;
    int32_t chipId = -1;
    int32_t storedCode = -1;
    bool flashCompared = false;
    FlashContent flashContent = FlashContent::Image;
    uint32_t flashDiffersAt = 0;
    // Told of the download's progress when set; the window needs none.
    DownloadObserver* progressObserver = nullptr;

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

    // The program's own firmware image by id, as a private copy.
    virtual bool LoadImage(int id, std::unique_ptr<uint8_t[]>* image, int32_t* size);

private:
    enum class Firmware { Stale, Current, Unknown };
    bool ReadBlock(int32_t block, size_t needed);
    bool IsOurCamera();
    Firmware FirmwareState();
    Firmware FlashAgainstImage();
    bool ChooseImage();
    bool SameCameraAsChecked();
    void DownloadStartFailed();
    CheckVerdict Stop(CheckVerdict verdict, const char* text);
    CheckVerdict Fail();
    void ReleaseDevice();
};
