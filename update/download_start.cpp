#include <cstdio>

#include "discovery/camera_source.h"
#include "firmware/firmware_image.h"
#include "link/xu_channel.h"
#include "update/log_lines.h"
#include "update/update_engine.h"
#include "platform/clock.h"
#include "platform/worker_thread.h"

namespace {

std::string Hex(uint8_t value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", unsigned(value));
    return text;
}

const char* VouchName(Vouch vouch) {
    switch (vouch) {
    case Vouch::HardwareId: return "its hardware ID";
    case Vouch::Sensor: return "its sensor";
    case Vouch::FlashIds: return "the IDs in its flash";
    case Vouch::Nothing: break;
    }
    return "nothing";
}

}  // namespace


int32_t CUpdateEngine::StartDownload(const CheckReport& checked, UpdateObserver& observer, std::string& log,
                                     bool writeAnyway) {
    pulseAtLetGo_ = false;
    verdictIn_.store(false);
    // The check examined the image it chose; what may not be written is
    // stopped here before the camera hears anything.
    downloadFailure_ = image_.empty() ? Failure::ImageMissing : Failure::ImageTooShort;
    if (checked.verdict != CheckVerdict::Update || image_.empty() || checked.imageFit == ImageFit::TooShort)
        return 0;
    downloadFailure_ = Failure::NotAgreed;
    if (checked.imageFit == ImageFit::NotForThisChip && !writeAnyway) return 0;
    log += "\r\nStart Download to ";
    ReleaseDevice();
    device_ = new CCamDevice;
    char name[kCameraNameBytes] = {};
    if (!device_->OpenCamera(log, name, source_)) {
        log += "Driver Connection Fail\r\n";
        downloadFailure_ = Failure::CameraNotReopened;
        return 0;
    }
    downloadFailure_ = Failure::CameraChanged;
    if (!SameCameraAsChecked(checked, log)) {
        // Another camera hears nothing more from this program.
        CCamDevice::CloseChannel();
        return 0;
    }

    BeginRecord(checked, log);
    PatchFlashTypeByte(image_.data(), uint32_t(image_.size()), checked.flashTypeIndex);
    // Whole lines go to the observer: the first is the one that ends after
    // what the log already held.
    const size_t lineEnd = log.rfind('\n');
    run_.flashTypeIndex = checked.flashTypeIndex;
    run_.observer = &observer;
    run_.log = &log;
    run_.linesSent = lineEnd == std::string::npos ? 0 : lineEnd + 1;
    downloadFailure_ = Failure::None;
    if (!StartWorkerThread(DownloadWorker, this)) {
        // No worker: the run has failed before it began.
        log += "CreateThread fail.\r\n";
        downloadFailure_ = Failure::NoWorker;
        verdict_ = 0;
        verdictIn_.store(true, std::memory_order_release);
        observer.OnVerdict(0);
    }
    return 1;
}

// The walk accepts the first camera of the family it meets, which need not
// be the one checked: a camera swapped meanwhile, even at the same node,
// would be written with the checked flash's command table. Where it is,
// what the system says it is, its chip, its flash and what vouched for it
// must all be the checked camera's.
bool CUpdateEngine::SameCameraAsChecked(const CheckReport& checked, std::string& log) {
    char line[200];
    const auto usbText = [](const std::optional<UsbIdentity>& usb) {
        char text[16] = "none";
        if (usb) std::snprintf(text, sizeof text, "%04X:%04X", unsigned(usb->vendor), unsigned(usb->product));
        return std::string(text);
    };
    const auto changed = [&](const char* what, const std::string& now, const std::string& was) {
        std::snprintf(line, sizeof line, "Camera changed since the check: %s%s, was %s.\r\n", what, now.c_str(),
                      was.c_str());
        log += line;
        return false;
    };
    if (device_->cameraPath != checked.cameraPath) return changed("", device_->cameraPath, checked.cameraPath);
    if (device_->busPlace != checked.busPlace) return changed("on the bus at ", device_->busPlace, checked.busPlace);
    if (device_->usb != checked.usb) return changed("USB ID ", usbText(device_->usb), usbText(checked.usb));
    if (device_->serial != checked.serial) return changed("serial ", device_->serial, checked.serial);
    if (device_->chipId != checked.chipId)
        return changed("chip ID ", Hex(device_->chipId), Hex(uint8_t(checked.chipId)));
    const FlashIdentity now = device_->IdentifyFlash();
    if (!now.Finished()) {
        log += std::string("IdentifyFlash gave up: ") + now.stoppedAt + ".\r\n";
        return false;
    }
    if (now.type != checked.flash.type)
        return changed("flash type ", std::to_string(now.type), std::to_string(checked.flash.type));
    if (StillVouches(checked.vouchedBy, log)) return true;
    std::snprintf(line, sizeof line, "Camera changed since the check: %s no longer shows it is ours.\r\n",
                  VouchName(checked.vouchedBy));
    log += line;
    return false;
}

// Before the first write: which camera, which image, when. One that cannot
// be written is said, and the update goes on: the camera needs it more
// than the computer needs its record.
void CUpdateEngine::BeginRecord(const CheckReport& checked, std::string& log) {
    UpdateRecord record = CameraRecord(checked);
    record.program = program;
    record.imageId = checked.imageId;
    record.imageVersion = checked.imageVersion;
    run_.recordId.clear();
    recordProblem_.clear();
    if (history.Begin(&record, &recordProblem_)) {
        run_.recordId = record.id;
        return;
    }
    log += "Update record not written: " + recordProblem_ + ".\r\n";
}

void CUpdateEngine::ForwardLines() {
    const std::string lines = WholeLinesSince(*run_.log, &run_.linesSent);
    if (!lines.empty()) run_.observer->OnLogLines(lines);
}

// What the first fault of a download means for the person who must act.
void CUpdateEngine::OnFault(const DownloadFault& fault) {
    if (fault.result == XU_E_DEVICE_GONE)
        downloadFailure_ = Failure::CameraGone;
    else if (fault.result == XU_E_LENGTH_MISMATCH)
        downloadFailure_ = Failure::LengthFixedByDriver;
    else if (fault.step == DownloadStep::ChecksumMismatch)
        downloadFailure_ = Failure::ChecksumMismatch;
    else if (fault.step == DownloadStep::Verify && fault.result >= 0)
        downloadFailure_ = Failure::VerifyFailed;
    else
        downloadFailure_ = Failure::RequestFailed;
}

int32_t CUpdateEngine::WaitForVerdict(uint32_t everyMs, const std::function<void()>& meanwhile) {
    while (!verdictIn_.load(std::memory_order_acquire)) {
        WaitMs(everyMs);
        if (meanwhile) meanwhile();
    }
    return verdict_;
}

void CUpdateEngine::OnProgress(uint32_t bytesDone, uint32_t bytesTotal) {
    run_.observer->OnProgress(bytesDone, bytesTotal);
    ForwardLines();
}

uint32_t CUpdateEngine::DownloadWorker(void* self) {
    CUpdateEngine* engine = static_cast<CUpdateEngine*>(self);
    const InFlight& run = engine->run_;
    const int32_t result =
        engine->device_->DownloadFirmware(engine->image_.data(), uint32_t(engine->image_.size()), *run.log,
                                          run.flashTypeIndex, engine);
    if (!run.recordId.empty() &&
        !engine->history.Finish(run.recordId, result == 1 ? kOutcomeUpdated : kOutcomeFailed, &engine->recordProblem_))
        *run.log += "Update record not finished: " + engine->recordProblem_ + ".\r\n";
    engine->ForwardLines();
    if (result == 1) engine->downloadFailure_ = Failure::None;
    else if (engine->downloadFailure_ == Failure::None) engine->downloadFailure_ = Failure::RequestFailed;
    // The engine is not touched after this: the front end may let the
    // camera go, or end, as soon as it hears the verdict.
    UpdateObserver* observer = run.observer;
    engine->verdict_ = result;
    engine->verdictIn_.store(true, std::memory_order_release);
    observer->OnVerdict(result);
    return 0;
}
