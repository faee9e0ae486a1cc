#ifdef _WIN32
#include <objbase.h>
#endif

#include <cstdio>

#include "app/update_core.h"
#include "app/worker_thread.h"
#include "discovery/camera_source.h"
#include "firmware/firmware_image.h"

namespace {

// The bar's period spreads the default 0..100 range over roughly the time
// a 64 KiB download takes; a tiny image still gets a period of 1 ms.
constexpr int32_t kProgressDivisor = 110;
constexpr int kProgressFull = 100;

}  // namespace

void CUpdateCore::StartDownload() {
    if (!updateNeeded || !imageBuffer) return;
    // The descriptor check and the patch reach into the image at fixed places.
    if (imageSize < int32_t(kMinFirmwareImageSize)) {
        transferLog += "Firmware image too short.\r\n";
        return;
    }

    if (!CheckDeviceDescriptor(imageBuffer.get())) {
        const int answer = AskUser(kWrongImageQuestion, kWrongImageCaption, MB_YESNO | MB_ICONEXCLAMATION);
        if (answer == IDNO) return;
    }

    transferLog += "\r\nStart Download to ";
    busy = 1;
    EnableCloseButton(false);
#ifdef _WIN32
    CoInitialize(nullptr);
#endif

    ReleaseDevice();
    device = new CCamDevice;
    char name[kCameraNameBytes] = {};
    if (!device->OpenCamera(transferLog, name)) {
        transferLog += "Driver Connection Fail\r\n";
        return DownloadStartFailed();
    }
    if (!SameCameraAsChecked()) {
        // Another camera hears nothing more from this program.
        CCamDevice::CloseChannel();
        return DownloadStartFailed();
    }

    RedrawNow();
    ScrollLogToEnd();
    PatchFlashTypeByte(imageBuffer.get(), flashTypeIndex);
    if (!StartWorkerThread(DownloadWorker, this)) {
        // No worker: the first tick reports the run as failed.
        transferLog += "CreateThread fail.\r\n";
        workerResult = 0;
        workerDone.store(1, std::memory_order_release);
    }
    EnableDownloadButton(false);
    SetProgressPosition(0);
    statusText = imageChoice ? kUpdatingV0308Text : kUpdatingV0309Text;
    ShowStatus();
    const int32_t period = imageSize / kProgressDivisor;
    StartTimer(kProgressTimer, UINT(period > 0 ? period : 1));
}

void CUpdateCore::DownloadStartFailed() {
    statusText += kUpdateFailText;
    ShowStatus();
    busy = 0;
    EnableCloseButton(true);
}

// The walk accepts the first camera of the family it meets, which need not
// be the one checked: a camera swapped meanwhile would be written with the
// checked flash's command table. Where it is, its chip and its flash must
// all be the checked camera's.
bool CUpdateCore::SameCameraAsChecked() {
    char line[160];
    if (device->cameraPath != cameraPath) {
        std::snprintf(line, sizeof line, "Camera changed since the check: %s, was %s.\r\n",
                      device->cameraPath.c_str(), cameraPath.c_str());
    } else if (device->chipId != chipId) {
        std::snprintf(line, sizeof line, "Camera changed since the check: chip ID %02X, was %02X.\r\n",
                      unsigned(device->chipId), unsigned(chipId));
    } else {
        const char* stoppedAt = nullptr;
        const int32_t type = device->IdentifyFlash(&stoppedAt);
        if (type == flashType) return true;
        if (type == kFlashTypeUnidentified)
            std::snprintf(line, sizeof line, "IdentifyFlash gave up: %s.\r\n", stoppedAt);
        else
            std::snprintf(line, sizeof line, "Camera changed since the check: flash type %d, was %d.\r\n",
                          int(type), int(flashType));
    }
    transferLog += line;
    return false;
}

uint32_t CUpdateCore::DownloadWorker(void* self) {
    CUpdateCore* core = static_cast<CUpdateCore*>(self);
    core->workerResult = core->device->DownloadFirmware(core->imageBuffer.get(),
                                                        uint32_t(core->imageSize),
                                                        core->transferLog, core->flashTypeIndex,
                                                        core->progressObserver);
    // The result is stored before the flag that the window's tick reads.
    core->workerDone.store(1, std::memory_order_release);
    return 0;
}

void CUpdateCore::ProgressTick() {
    if (workerDone.load(std::memory_order_acquire) == 0) {
        SetProgressPosition(ProgressPosition() + kProgressStep);
        return;
    }
    if (workerResult == 1) {
        SetProgressPosition(kProgressFull);
        statusText += kUpdateCompleteText;
    } else {
        statusText += kUpdateFailText;
    }
    ShowStatus();
    EnableDownloadButton(true);
    workerDone.store(0, std::memory_order_relaxed);
    StopTimer(kProgressTimer);
    ReleaseDevice();
    ScrollLogToEnd();
    busy = 0;
    EnableCloseButton(true);
}
