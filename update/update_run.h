// One update run, for any front end: the power rule, the lock's phases,
// the check, the question, the image choice, keeping the machine awake,
// the interrupt phases, the capture-queue claim, the download, the verdict
// with its cause and advice, the record, and the let-go with the close's
// pulse rule. A front end implements RunView (what it shows and asks) and
// either calls Run(), which blocks to the verdict, or drives the steps
// from its message loop.
// Results: steps return bool (true: the run goes on; false: it has ended
// and ShowVerdict was called) or the verdict; nothing is thrown.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/instance_lock.h"
#include "platform/power_state.h"
#include "platform/sleep_inhibitor.h"
#include "discovery/camera_choice.h"
#include "update/check_report.h"
#include "update/update_engine.h"

class SystemCamera;

// How a run ended. Its result name, exit code and words are in
// update/run_ends.h, for every front end.
enum class RunEnd {
    Updated,         // written, verified, committed and read back equal
    UpdateDue,       // due, and the run was a check: nothing written
    Current,         // nothing due
    Declined,        // the person said no (to the write or to an image not for the chip)
    NoCamera,        // no camera of the family could be opened
    AnotherUpdate,   // another update holds the machine's one-update lock
    NoLock,          // the one-update lock could not be made
    HeldByAnotherRun,// the camera's node is held by another run
    NoPermission,    // a camera's node was refused for permission
    NotOurs,         // a camera of the family, but nothing shows it is ours
    CheckFailed,     // ours, but the check (or the image choice) could not finish
    OnBattery,       // the power rule refused the write
    NoOneToAsk,      // due, a question needed, no one to ask it of
    TerminalClosed,  // the input ended at the question
    Interrupted,     // an interrupt before the download began
    InUse,           // another program streams from the camera
    StartFailed,     // the download could not start: nothing written
    Failed,          // the download failed
};

enum class Question {
    Write,           // write the due image now?
    ImageNotForChip, // the image's descriptor is not the chip's: write anyway?
};
enum class Answer { Yes, No, Closed };  // Closed: the input ended or was interrupted

// The run's end as a front end shows it.
struct RunVerdict {
    RunEnd end = RunEnd::NoCamera;
    Failure failure = Failure::None;  // CheckFailed, StartFailed, Declined, Failed: why
    // What the person can do about the cause, in the run's words, the
    // policy's `again` among them ("" when nothing particular):
    // "Unplug and replug the camera, then run korvane-update again."
    std::string advice;
    // Linux, a camera gone or a request refused on a camera that may
    // autosuspend: the command that keeps it awake, whole, to copy; the
    // advice ends with the words that lead to it.
    std::string keepAwakeCommand;
    // Why the record of this update could not be kept ("" when it was).
    std::string recordProblem;
    // OnBattery: whether the power state could be read at all.
    bool powerRead = true;
    // HeldByAnotherRun: the node the other run holds.
    std::string heldNode;
    // The camera source said why cameras were passed over (RunView::Note).
    bool noted = false;
    // AnotherUpdate: who holds the lock, in words (LockHolderWords);
    // NoLock: the lock's name.
    std::string lockWords;
};

// The machine's one-update lock for `program`, held until the process
// ends: true when held; else false, and `refused` says why (AnotherUpdate,
// NoLock). The run takes it where its policy names a program; a program
// that must hold it before anything else takes it itself.
bool TakeRunLock(const std::string& program, RunVerdict* refused);

// What a front end shows and asks. Every call comes on the thread that
// drives the run, but the download's (UpdateObserver's OnProgress,
// OnLogLines and OnVerdict), which come on its worker while it runs.
class RunView : public UpdateObserver {
public:
    // The check is about to run.
    virtual void Checking() {}
    // Where the policy names them: every camera of the family attached, in
    // the walk's order, before the check takes one.
    virtual void Attached(const std::vector<AttachedCamera>& /*cameras*/) {}
    // What the check found and what is due. The image is not chosen yet
    // (found.imageId 0; see check_report.h).
    virtual void Describe(const CheckReport& /*found*/) {}
    // A note for people: the source's notes, records that could not be
    // read, sleep not held off.
    virtual void Note(const std::string& /*note*/) {}
    // The power rule would refuse, but the policy writes on battery.
    virtual void PowerOverridden() {}
    // A question; only where the policy lets it be asked.
    virtual Answer Ask(Question question, const CheckReport& found) = 0;
    // The image is chosen (found.imageId, imageVersion, imageSize set) and
    // the run is about to write it.
    virtual void Writing(const CheckReport& /*found*/) {}
    // The worker's result, 1 for verified and committed; the front end
    // then calls Finish with it on its own thread (Run does that itself).
    void OnVerdict(int32_t /*result*/) override {}
    // The verdict; the last call of a run.
    virtual void ShowVerdict(const RunVerdict& verdict, const CheckReport& found) = 0;

protected:
    ~RunView() = default;
};

// Start: before the check (the Windows window). Question: before the
// question, and again after a yes, since time passes while a person decides
// (a terminal, a desktop window, which offers Update only on mains).
// Consent: only after a yes.
enum class PowerAt { Start, Question, Consent };

// What a front end lets the run do.
struct RunPolicy {
    bool write = true;        // false: a check, which reads only
    bool ask = true;          // ask Question::Write before writing
    // Someone is there to answer. Question::Write without anyone ends the
    // run NoOneToAsk; an image not for the chip is then not written.
    bool canAsk = true;
    // Where the power rule stands.
    PowerAt powerAt = PowerAt::Question;
    // Name every camera of the family attached (RunView::Attached): a run
    // that takes the first when none was chosen, and one that lets the
    // person choose.
    bool nameCameras = false;
    bool onBattery = false;   // write on battery or unknown power too
    bool holdSessionEnd = true;  // false: a window that answers the session's end itself
    // The program installed the interrupt guard (platform/interrupts.h):
    // the run moves it through its phases around the download.
    bool interrupts = false;
    LockPhase idlePhase = LockPhase::Checking;  // what the lock says once the run rests or ends
    // Names this program in the one-update lock, which Run takes first; ""
    // where the program took it itself (TakeRunLock).
    std::string lockProgram;
    std::string program;      // names the records: "korvane-update 1.0.0"
    std::string again;        // the advice's last words: "run korvane-update again"
};

class CUpdateRun {
public:
    // `camera` may be null (no claims, no notes, no permission facts).
    CUpdateRun(RunView& view, RunPolicy policy, SystemCamera* camera = nullptr);
    ~CUpdateRun();
    CUpdateRun(const CUpdateRun&) = delete;
    CUpdateRun& operator=(const CUpdateRun&) = delete;

    // The whole run, to the verdict (ShowVerdict called), the camera let
    // go; while the download runs, meanwhile every everyMs.
    RunVerdict Run(uint32_t everyMs, const std::function<void()>& meanwhile);

    // The steps, for a front end with a message loop. Each returns false
    // once the run has ended.
    bool PowerAllows(const PowerState& power);  // the power rule
    bool Check();        // Checking, the check, Describe; true when a write follows
    bool Choose();       // the image choice, once; Write makes it when not made
    // The question (where the policy asks it), the claims, the image
    // choice, the question for an image not for the chip, the hold and the
    // download's start. True while the download runs.
    bool Write();
    // The worker's result (RunView::OnVerdict): the let-go, the
    // claims released, the verdict.
    void Finish(int32_t result);
    // Lets the camera go, with the pulse when no update was decided; not
    // while writing. Run does it; a window, at its close. At destruction
    // the engine lets it go without the pulse.
    void LetGo();

    bool Writing() const { return writing_; }
    const CheckReport& Found() const { return found_; }
    const RunVerdict& Verdict() const { return verdict_; }
    // Discovery, the check and the download append to it.
    std::string transferLog;
    // The engine, for its seams (images, history) and what tests read.
    CUpdateEngine engine;
    // Where Run learns the power state; tests put their own in place.
    std::function<PowerState()> readPower = ReadPowerState;
    // Where Run takes the lock; tests put their own in place.
    std::function<bool(const std::string&, RunVerdict*)> takeLock = TakeRunLock;
    // The system's camera, for claims, notes and permission facts; may be
    // set until the check.
    SystemCamera* camera;

private:
    bool End(RunEnd end, Failure failure = Failure::None);
    bool EndNoCamera();
    bool Decide();
    bool Claim();
    bool WriteAnyway(bool* anyway);
    void ReleaseClaims();
    void Advise();

    RunView& view_;
    RunPolicy policy_;
    CheckReport found_;
    RunVerdict verdict_;
    SleepInhibitor inhibitor_;
    bool claimed_ = false;      // the capture queue and the hold
    bool entered_ = false;      // the download's interrupt phase
    bool writing_ = false;
};
