// The run up to the write: the power rule, the check and what it found,
// and the question before writing.
#include "discovery/camera_choice.h"
#include "discovery/system_camera.h"
#include "platform/interrupts.h"
#include "update/power_rule.h"
#include "update/update_run.h"

// Power matters only for a write: the machine must not die mid-download,
// which leaves a camera that no longer starts.
bool CUpdateRun::PowerAllows(const PowerState& power) {
    if (MainsPowerOn(power.known, power.acLineStatus)) return true;
    verdict_.powerRead = power.known;
    if (!policy_.onBattery) return End(RunEnd::OnBattery);
    view_.PowerOverridden();
    return true;
}

bool CUpdateRun::Check() {
    if (policy_.interrupts) BeginRun();
    SetLockPhase(LockPhase::Checking);
    view_.Checking();
    if (camera && policy_.nameCameras) view_.Attached(FamilyCameras(camera->AllCameras()));
    found_ = engine.Check(transferLog);
    if (camera)
        for (const std::string& note : camera->Notes()) {
            verdict_.noted = true;
            view_.Note(note);
        }
    if (!found_.recordProblem.empty())
        view_.Note("The record of updates on this computer could not be read: " + found_.recordProblem + ".");
    view_.Describe(found_);
    if (policy_.interrupts && Interrupted()) return End(RunEnd::Interrupted);
    switch (found_.verdict) {
    case CheckVerdict::NoCamera: return EndNoCamera();
    case CheckVerdict::NotOurs: return End(RunEnd::NotOurs);
    case CheckVerdict::Current: return End(RunEnd::Current);
    case CheckVerdict::Failed: return End(RunEnd::CheckFailed, found_.failure);
    case CheckVerdict::Update: break;
    }
    if (!policy_.write) return End(RunEnd::UpdateDue);
    // A front end that steps the run may wait here for its person: the
    // lock says the run rests.
    SetLockPhase(policy_.idlePhase);
    return true;
}

// No camera: one another run holds, one refused for permission, or none.
bool CUpdateRun::EndNoCamera() {
    if (camera && !camera->HeldByAnotherRun().empty()) {
        verdict_.heldNode = camera->HeldByAnotherRun();
        return End(RunEnd::HeldByAnotherRun);
    }
    if (camera && camera->PermissionDenied()) return End(RunEnd::NoPermission);
    return End(RunEnd::NoCamera);
}

// The question before writing, where the policy asks it.
bool CUpdateRun::Decide() {
    if (!policy_.ask) return true;
    if (!policy_.canAsk) return End(RunEnd::NoOneToAsk);
    SetLockPhase(LockPhase::Asking);
    const Answer answer = view_.Ask(Question::Write, found_);
    SetLockPhase(LockPhase::Checking);
    switch (answer) {
    case Answer::Yes: return policy_.powerAt == PowerAt::Start || PowerAllows(readPower());
    case Answer::No: return End(RunEnd::Declined);
    case Answer::Closed: break;
    }
    return End(policy_.interrupts && Interrupted() && !TerminalHungUp() ? RunEnd::Interrupted : RunEnd::TerminalClosed);
}
