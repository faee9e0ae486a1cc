#include "app/update_window.h"

#include <cstring>

#include "korvane_version.h"
#include "platform/instance_lock.h"
#include "update/power_rule.h"

namespace {

// The bar's period spreads the default 0..100 range over roughly the time
// a 64 KiB download takes; a tiny image still gets a period of 1 ms.
constexpr int32_t kProgressDivisor = 110;
constexpr int kProgressFull = 100;

}  // namespace

CUpdateWindow::CUpdateWindow() { engine.program = "korvane.exe " KORVANE_VERSION; }

// The window is going: the engine lets the camera go without the pulse.
CUpdateWindow::~CUpdateWindow() = default;

void CUpdateWindow::StartUp(bool powerKnown, uint8_t acLineStatus) {
    if (MainsPowerOn(powerKnown, acLineStatus)) {
        statusText = kCheckingText;
        ShowStatus();
        StartTimer(kCheckTimer, kCheckDelayMs);
        return;
    }
    statusText = kNoPowerText;
    ShowStatus();
}

CheckVerdict CUpdateWindow::Stop(const char* text) {
    statusText = text;
    ShowStatus();
    return checked.verdict;
}

void CUpdateWindow::RunUpdateCheck() {
    StopTimer(kCheckTimer);
    if (CheckCamera() == CheckVerdict::Update && updateNeeded == 1) StartDownload();
    // What a console run the lock refuses is told.
    if (busy == 0) SetLockPhase(LockPhase::WindowOpen);
}

CheckVerdict CUpdateWindow::CheckCamera() {
    checked = engine.Check(transferLog);
    sensorBringUpResult = checked.sensorBringUpResult;
    sensorIdResult = checked.sensorIdResult;
    forceUpdate = checked.forceUpdate;
    updateNeeded = checked.updateNeeded ? 1 : 0;
    if (checked.flashIdentified) flashType = checked.flash.type;
    flashTypeIndex = checked.flashTypeIndex;
    imageChoice = checked.imageChoice;
    imageBuffer.reset();
    imageSize = 0;
    switch (checked.verdict) {
    case CheckVerdict::NoCamera: return Stop(kNoCameraText);
    case CheckVerdict::NotOurs: return Stop(kNotOursText);
    case CheckVerdict::Current: return Stop(kCurrentText);
    case CheckVerdict::Failed:
        // Ours, stopped on its way: updateNeeded stays, so that the close
        // sends the camera nothing more.
        statusText += kUpdateFailText;
        ShowStatus();
        return checked.verdict;
    case CheckVerdict::Update: break;
    }
    KeepImage();
    return checked.verdict;
}

void CUpdateWindow::StartDownload() {
    if (!updateNeeded || !imageBuffer) return;
    bool writeAnyway = false;
    switch (checked.imageFit) {
    case ImageFit::TooShort: return;
    case ImageFit::NotForThisChip:
        if (AskUser(kWrongImageQuestion, kWrongImageCaption, MB_YESNO | MB_ICONEXCLAMATION) == IDNO) return;
        writeAnyway = true;
        break;
    case ImageFit::Fits: break;
    }

    busy = 1;
    EnableCloseButton(false);
    if (!engine.StartDownload(checked, *this, transferLog, writeAnyway)) return DownloadStartFailed();
    SetLockPhase(LockPhase::Writing);
    // The window's copy is the image as it is being written: patched.
    KeepImage();
    RedrawNow();
    ScrollLogToEnd();
    EnableDownloadButton(false);
    SetProgressPosition(0);
    statusText = imageChoice ? kUpdatingV0308Text : kUpdatingV0309Text;
    ShowStatus();
    const int32_t period = imageSize / kProgressDivisor;
    StartTimer(kProgressTimer, UINT(period > 0 ? period : 1));
}

// The window keeps a copy of the image the engine chose and writes.
void CUpdateWindow::KeepImage() {
    const std::vector<uint8_t>& image = engine.ChosenImage();
    imageSize = int32_t(image.size());
    imageBuffer.reset(new uint8_t[image.empty() ? 1 : image.size()]);
    if (!image.empty()) std::memcpy(imageBuffer.get(), image.data(), image.size());
}

void CUpdateWindow::DownloadStartFailed() {
    statusText += kUpdateFailText;
    ShowStatus();
    busy = 0;
    EnableCloseButton(true);
    SetLockPhase(LockPhase::WindowOpen);
}

void CUpdateWindow::OnVerdict(int32_t result) {
    workerResult = result;
    workerDone.store(1, std::memory_order_release);
}

void CUpdateWindow::ProgressTick() {
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
    engine.LetGo();
    ScrollLogToEnd();
    busy = 0;
    EnableCloseButton(true);
    SetLockPhase(LockPhase::WindowOpen);
}

bool CUpdateWindow::CloseRequested() {
    if (busy == 1) return false;
    // Without a decision to update, the engine's pulse tells the camera to
    // carry on.
    engine.LetGo();
    return true;
}
