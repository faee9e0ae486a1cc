#include "app/update_window.h"

#include <cstring>

#include "korvane_version.h"

namespace {

// The bar's period spreads the default 0..100 range over roughly the time
// a 64 KiB download takes; a tiny image still gets a period of 1 ms.
constexpr int32_t kProgressDivisor = 110;
constexpr int kProgressFull = 100;

// The window: power first, no question before writing (only about an image
// not for the chip, which a person at the window answers), sleep held off
// while it writes but the session's end answered by the window itself, and
// while no step runs the lock says the window is open.
RunPolicy WindowPolicy() {
    RunPolicy policy;
    policy.ask = false;
    policy.powerAt = PowerAt::Start;
    policy.holdSessionEnd = false;
    policy.idlePhase = LockPhase::WindowOpen;
    policy.program = "korvane.exe " KORVANE_VERSION;
    policy.again = "re-start this program";
    return policy;
}

}  // namespace

CUpdateWindow::CUpdateWindow() : run(*this, WindowPolicy()) {}

// The window is going: the engine lets the camera go without the pulse.
CUpdateWindow::~CUpdateWindow() = default;

void CUpdateWindow::StartUp(bool powerKnown, uint8_t acLineStatus) {
    // Without mains power the run's verdict has told the user to plug in.
    if (!run.PowerAllows(PowerState{powerKnown, acLineStatus})) return;
    statusText = kCheckingText;
    ShowStatus();
    StartTimer(kCheckTimer, kCheckDelayMs);
}

void CUpdateWindow::Stop(const char* text) {
    statusText = text;
    ShowStatus();
}

void CUpdateWindow::RunUpdateCheck() {
    StopTimer(kCheckTimer);
    if (CheckCamera() == CheckVerdict::Update && updateNeeded == 1) StartDownload();
}

CheckVerdict CUpdateWindow::CheckCamera() {
    imageBuffer.reset();
    imageSize = 0;
    if (run.Check() && run.Choose()) KeepImage();
    CopyFound();
    return checked.verdict;
}

// The window's members, copied from what the check found.
void CUpdateWindow::CopyFound() {
    sensorBringUpResult = checked.sensorBringUpResult;
    sensorIdResult = checked.sensorIdResult;
    forceUpdate = checked.forceUpdate;
    updateNeeded = checked.updateNeeded ? 1 : 0;
    if (checked.flashIdentified) flashType = checked.flash.type;
    flashTypeIndex = checked.flashTypeIndex;
    imageChoice = checked.imageChoice;
}

void CUpdateWindow::StartDownload() {
    if (!updateNeeded || !imageBuffer) return;
    if (!run.Write()) return;
    busy = 1;
    EnableCloseButton(false);
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

Answer CUpdateWindow::Ask(Question question, const CheckReport&) {
    if (question != Question::ImageNotForChip) return Answer::Yes;
    return AskUser(kWrongImageQuestion, kWrongImageCaption, MB_YESNO | MB_ICONEXCLAMATION) == IDNO ? Answer::No
                                                                                                  : Answer::Yes;
}

void CUpdateWindow::OnVerdict(int32_t result) {
    workerResult = result;
    workerDone.store(1, std::memory_order_release);
}

void CUpdateWindow::ShowVerdict(const RunVerdict& verdict, const CheckReport&) {
    switch (verdict.end) {
    case RunEnd::OnBattery: return Stop(kNoPowerText);
    case RunEnd::NoCamera:
    case RunEnd::HeldByAnotherRun:
    case RunEnd::NoPermission: return Stop(kNoCameraText);
    case RunEnd::NotOurs: return Stop(kNotOursText);
    case RunEnd::Current: return Stop(kCurrentText);
    case RunEnd::StartFailed:
        // An image too short to write was never started: nothing to say.
        if (verdict.failure == Failure::ImageTooShort) return;
        busy = 0;
        EnableCloseButton(true);
        [[fallthrough]];
    case RunEnd::CheckFailed:
        // Ours, stopped on its way: updateNeeded stays, so that the close
        // sends the camera nothing more.
        statusText += kUpdateFailText;
        return ShowStatus();
    case RunEnd::Updated:
    case RunEnd::Failed: return Finished(verdict.end == RunEnd::Updated);
    default: return;  // a "no" to an image not for the chip: nothing shown
    }
}

void CUpdateWindow::Finished(bool updated) {
    if (updated) {
        SetProgressPosition(kProgressFull);
        statusText += kUpdateCompleteText;
    } else {
        statusText += kUpdateFailText;
    }
    ShowStatus();
    EnableDownloadButton(true);
    StopTimer(kProgressTimer);
    ScrollLogToEnd();
    busy = 0;
    EnableCloseButton(true);
}

void CUpdateWindow::ProgressTick() {
    if (workerDone.load(std::memory_order_acquire) == 0) {
        SetProgressPosition(ProgressPosition() + kProgressStep);
        return;
    }
    workerDone.store(0, std::memory_order_relaxed);
    run.Finish(workerResult);
}

bool CUpdateWindow::CloseRequested() {
    if (busy == 1) return false;
    // Without a decision to update, the run's let-go pulses the camera to
    // carry on.
    run.LetGo();
    return true;
}
