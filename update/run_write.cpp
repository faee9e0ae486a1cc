// The run's writing road: the claims, the image choice, the hold, the
// download's start, and its end.
#include "discovery/system_camera.h"
#include "platform/interrupts.h"
#include "update/update_run.h"

bool CUpdateRun::Write() {
    if (!Decide() || !Claim() || !Choose()) return false;
    view_.Writing(found_);
    std::string why;
    if (!inhibitor_.Take(&why)) view_.Note("Sleep and shut-down are not held off during the download (" + why + ").");
    bool anyway = false;
    if (!WriteAnyway(&anyway)) return false;
    if (policy_.interrupts && Interrupted()) {
        ReleaseClaims();
        return End(RunEnd::Interrupted);
    }
    SetLockPhase(LockPhase::Writing);
    writing_ = true;
    // Until the first packet an interrupt ends the run, the image choice's
    // wait and the reopen among it; from there on it is held off.
    bool stopped = false;
    const bool started = engine.StartDownload(found_, view_, transferLog, anyway, [this, &stopped] {
        stopped = policy_.interrupts && !(entered_ = EnterDownload());
        return !stopped;
    });
    if (entered_) WorkerStarted();
    if (started) return true;
    writing_ = false;
    ReleaseClaims();
    return stopped ? End(RunEnd::Interrupted) : End(RunEnd::StartFailed, engine.DownloadFailure());
}

// The camera's capture queue: the device's behaviour while it streams is
// unknown, so nothing is written while another program streams, and none
// may start until the verdict.
bool CUpdateRun::Claim() {
    if (policy_.interrupts && Interrupted()) return End(RunEnd::Interrupted);
    claimed_ = true;
    if (!camera || camera->TakeCaptureQueue(found_.camera.path, &transferLog)) return true;
    ReleaseClaims();
    return End(RunEnd::InUse);
}

// Choosing writes register 0x20BA and waits, so it is made once, only on
// the road that writes.
bool CUpdateRun::Choose() {
    if (found_.imageId != 0) return true;
    const bool chosen = engine.ChooseImage(&found_, transferLog);
    if (chosen && !(policy_.interrupts && Interrupted())) return true;
    ReleaseClaims();
    return chosen ? End(RunEnd::Interrupted) : End(RunEnd::CheckFailed, found_.failure);
}

// An image whose descriptor is not the chip's is written only on a
// person's yes; where no one can be asked the engine refuses it.
bool CUpdateRun::WriteAnyway(bool* anyway) {
    if (found_.imageFit != ImageFit::NotForThisChip || !policy_.canAsk) return true;
    SetLockPhase(LockPhase::Asking);
    const Answer answer = view_.Ask(Question::ImageNotForChip, found_);
    SetLockPhase(LockPhase::Checking);
    *anyway = answer == Answer::Yes;
    if (*anyway) return true;
    ReleaseClaims();
    const bool interrupted = policy_.interrupts && Interrupted() && !TerminalHungUp();
    return End(answer == Answer::No ? RunEnd::Declined : interrupted ? RunEnd::Interrupted : RunEnd::TerminalClosed,
               Failure::NotAgreed);
}

void CUpdateRun::Finish(int32_t result) {
    if (!writing_) return;
    writing_ = false;
    engine.LetGo();
    verdict_.recordProblem = engine.RecordProblem();
    ReleaseClaims();
    // Updated only for a download verified, committed and read back equal.
    if (result == 1)
        End(RunEnd::Updated);
    else
        End(RunEnd::Failed, engine.DownloadFailure());
}

// At the verdict, or a road that turned back: sleep, the camera's stream
// and the interrupts are let go.
void CUpdateRun::ReleaseClaims() {
    if (!claimed_) return;
    claimed_ = false;
    inhibitor_.Release();
    if (camera) camera->ReleaseCaptureQueue();
    if (entered_) LeaveDownload();
    entered_ = false;
}
