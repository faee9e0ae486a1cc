#include <cstdio>

#include "discovery/camera_source.h"
#include "firmware/firmware_image.h"
#include "update/update_engine.h"
#include "platform/worker_thread.h"

ImageFit ExamineImage(const uint8_t* image, int32_t size, std::string& log) {
    // The descriptor check and the patch reach into the image at fixed places.
    if (!image || size < int32_t(kMinFirmwareImageSize)) {
        log += "Firmware image too short.\r\n";
        return ImageFit::TooShort;
    }
    return CheckDeviceDescriptor(image) ? ImageFit::Fits : ImageFit::NotForThisChip;
}

int32_t CUpdateEngine::StartDownload(const CheckReport& checked, uint8_t* image, int32_t size,
                                     UpdateObserver& observer, std::string& log) {
    // A front end has examined the image already; one that did not is
    // stopped here before the camera hears anything.
    if (ExamineImage(image, size, log) == ImageFit::TooShort) return 0;
    log += "\r\nStart Download to ";
    ReleaseDevice();
    device_ = new CCamDevice;
    char name[kCameraNameBytes] = {};
    if (!device_->OpenCamera(log, name)) {
        log += "Driver Connection Fail\r\n";
        return 0;
    }
    if (!SameCameraAsChecked(checked, log)) {
        // Another camera hears nothing more from this program.
        CCamDevice::CloseChannel();
        return 0;
    }

    PatchFlashTypeByte(image, uint32_t(size), checked.flashTypeIndex);
    // Whole lines go to the observer: the first is the one that ends after
    // what the log already held.
    const size_t lineEnd = log.rfind('\n');
    run_ = Run{image, uint32_t(size), checked.flashTypeIndex, &observer, &log,
               lineEnd == std::string::npos ? 0 : lineEnd + 1};
    if (!StartWorkerThread(DownloadWorker, this)) {
        // No worker: the run has failed before it began.
        log += "CreateThread fail.\r\n";
        observer.OnVerdict(0);
    }
    return 1;
}

// The walk accepts the first camera of the family it meets, which need not
// be the one checked: a camera swapped meanwhile would be written with the
// checked flash's command table. Where it is, its chip and its flash must
// all be the checked camera's.
bool CUpdateEngine::SameCameraAsChecked(const CheckReport& checked, std::string& log) {
    char line[160];
    if (device_->cameraPath != checked.cameraPath) {
        std::snprintf(line, sizeof line, "Camera changed since the check: %s, was %s.\r\n",
                      device_->cameraPath.c_str(), checked.cameraPath.c_str());
    } else if (device_->chipId != checked.chipId) {
        std::snprintf(line, sizeof line, "Camera changed since the check: chip ID %02X, was %02X.\r\n",
                      unsigned(device_->chipId), unsigned(checked.chipId));
    } else {
        const FlashIdentity now = device_->IdentifyFlash();
        if (now.Finished() && now.type == checked.flash.type) return true;
        if (!now.Finished())
            std::snprintf(line, sizeof line, "IdentifyFlash gave up: %s.\r\n", now.stoppedAt);
        else
            std::snprintf(line, sizeof line, "Camera changed since the check: flash type %d, was %d.\r\n",
                          int(now.type), int(checked.flash.type));
    }
    log += line;
    return false;
}

void CUpdateEngine::ForwardLines() {
    const size_t end = run_.log->rfind('\n');
    if (end == std::string::npos || end + 1 <= run_.linesSent) return;
    run_.observer->OnLogLines(run_.log->substr(run_.linesSent, end + 1 - run_.linesSent));
    run_.linesSent = end + 1;
}

void CUpdateEngine::OnProgress(uint32_t bytesDone, uint32_t bytesTotal) {
    run_.observer->OnProgress(bytesDone, bytesTotal);
    ForwardLines();
}

uint32_t CUpdateEngine::DownloadWorker(void* self) {
    CUpdateEngine* engine = static_cast<CUpdateEngine*>(self);
    const Run& run = engine->run_;
    const int32_t result =
        engine->device_->DownloadFirmware(run.image, run.size, *run.log, run.flashTypeIndex, engine);
    engine->ForwardLines();
    // The engine is not touched after this: the front end may let the
    // camera go, or end, as soon as it hears the verdict.
    UpdateObserver* observer = run.observer;
    observer->OnVerdict(result);
    return 0;
}
