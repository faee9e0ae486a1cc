#include <cstdio>

#include "discovery/camera_source.h"
#include "firmware/firmware_image.h"
#include "link/xu_channel.h"
#include "update/log_lines.h"
#include "update/update_engine.h"
#include "platform/clock.h"
#include "platform/hex_text.h"
#include "platform/worker_thread.h"

namespace {

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
                                     bool writeAnyway, const std::function<bool()>& goAhead) {
    pulseAtLetGo_ = false;
    verdictIn_.store(false);
    if (!MayWrite(checked, writeAnyway)) return 0;
    log += "\r\nStart Download to ";
    if (!ReopenChecked(checked, log)) return 0;
    if (goAhead && !goAhead()) {
        log += "Stopped before the first packet.\r\n";
        return 0;
    }
    BeginRecord(checked, log);
    PatchFlashTypeByte(image_.data(), uint32_t(image_.size()), checked.flashTypeIndex);
    LaunchWorker(checked.flashTypeIndex, observer, log);
    return 1;
}

// The check examined the image it chose; what may not be written is
// stopped here before the camera hears anything.
bool CUpdateEngine::MayWrite(const CheckReport& checked, bool writeAnyway) {
    downloadFailure_ = image_.empty() ? Failure::ImageMissing : Failure::ImageTooShort;
    if (checked.verdict != CheckVerdict::Update || image_.empty() || checked.imageFit == ImageFit::TooShort)
        return false;
    downloadFailure_ = Failure::NotAgreed;
    return checked.imageFit != ImageFit::NotForThisChip || writeAnyway;
}

// The camera is opened again for the write, and must be the one checked.
bool CUpdateEngine::ReopenChecked(const CheckReport& checked, std::string& log) {
    ReleaseDevice();
    device_ = new CCamDevice;
    char name[kCameraNameBytes] = {};
    if (!device_->OpenCamera(log, name, source_)) {
        log += "Driver Connection Fail\r\n";
        downloadFailure_ = Failure::CameraNotReopened;
        return false;
    }
    downloadFailure_ = Failure::CameraChanged;
    if (SameCameraAsChecked(checked, log)) return true;
    // Another camera hears nothing more from this program.
    CCamDevice::CloseChannel();
    return false;
}

void CUpdateEngine::LaunchWorker(uint8_t flashTypeIndex, UpdateObserver& observer, std::string& log) {
    // Whole lines go to the observer: the first is the one that ends after
    // what the log already held.
    const size_t lineEnd = log.rfind('\n');
    run_.flashTypeIndex = flashTypeIndex;
    run_.observer = &observer;
    run_.log = &log;
    run_.linesSent = lineEnd == std::string::npos ? 0 : lineEnd + 1;
    downloadFailure_ = Failure::None;
    if (StartWorkerThread(DownloadWorker, this)) return;
    // No worker: the run has failed before it began.
    log += "CreateThread fail.\r\n";
    downloadFailure_ = Failure::NoWorker;
    verdict_ = 0;
    verdictIn_.store(true, std::memory_order_release);
    observer.OnVerdict(0);
}

// The walk accepts the first camera of the family it meets, which need not
// be the one checked: a camera swapped meanwhile, even at the same node,
// would be written with the checked flash's command table. Where it is,
// what the system says it is, its chip, its flash and what vouched for it
// must all be the checked camera's.
bool CUpdateEngine::SameCameraAsChecked(const CheckReport& checked, std::string& log) {
    char line[200];
    const auto usbText = [](const std::optional<UsbIdentity>& usb) {
        return usb ? UsbIdText(*usb) : std::string("none");
    };
    const auto changed = [&](const char* what, const std::string& now, const std::string& was) {
        std::snprintf(line, sizeof line, "Camera changed since the check: %s%s, was %s.\r\n", what, now.c_str(),
                      was.c_str());
        log += line;
        return false;
    };
    const CameraIdentity& is = device_->camera;
    const CameraIdentity& was = checked.camera;
    if (is.path != was.path) return changed("", is.path, was.path);
    if (is.busPlace != was.busPlace) return changed("on the bus at ", is.busPlace, was.busPlace);
    if (is.usb != was.usb) return changed("USB ID ", usbText(is.usb), usbText(was.usb));
    if (is.serial != was.serial) return changed("serial ", is.serial, was.serial);
    if (is.chipId != was.chipId)
        return changed("chip ID ", HexText(unsigned(is.chipId) & 0xFF, 2, ""), HexText(unsigned(was.chipId) & 0xFF, 2, ""));
    const FlashIdentity now = device_->IdentifyFlash();
    if (!now.Finished()) {
        AppendLine(log, std::string("IdentifyFlash gave up: ") + now.stoppedAt + ".\r\n");
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
    AppendLine(log, "Update record not written: " + recordProblem_ + ".\r\n");
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
        AppendLine(*run.log, "Update record not finished: " + engine->recordProblem_ + ".\r\n");
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
