// One update run, for any front end: the power rule, the lock's phases,
// the check, the question, the image choice, keeping the machine awake,
// the capture-queue claim, the download, the verdict with its cause and
// advice, the record, and the let-go with the close's pulse rule. A front
// end implements RunView (what it shows and asks) and either calls Run(),
// which blocks to the verdict, or drives the steps from its message loop.
// Results: steps return bool (true: the run goes on) or the verdict;
// nothing is thrown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/instance_lock.h"
#include "update/check_report.h"
#include "update/update_engine.h"

class SystemCamera;

// How a run ended. A front end puts its own words and codes beside these.
enum class RunEnd {
    Updated,         // written, verified, committed and read back equal
    UpdateDue,       // due, and the run was a check: nothing written
    Current,         // nothing due
    Declined,        // the person said no (to the write or to an image not for the chip)
    NoCamera,        // no camera of the family could be opened
    HeldByAnotherRun,// the camera's node is held by another run
    NoPermission,    // a camera's node was refused for permission
    NotOurs,         // a camera of the family, but nothing shows it is ours
    CheckFailed,     // ours, but the check could not finish
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
    Failure failure = Failure::None;  // CheckFailed, StartFailed, Failed: why
    // What the person can do about the cause, in the run's words ("" when
    // nothing particular): "Unplug and replug the camera, then ...".
    std::string advice;
    // Linux, a camera gone or a request refused on a camera that may
    // autosuspend: the command that keeps it awake, whole, to copy.
    std::string keepAwakeCommand;
    // Why the record of this update could not be kept ("" when it was).
    std::string recordProblem;
};

// What a front end shows and asks. Every call comes on the thread that
// drives the run, but OnProgress and OnLogLines, which come on the
// download's worker while it runs.
class RunView {
public:
    // The check is about to run.
    virtual void Checking() {}
    // What the check found and what is due; the image is not chosen yet
    // (report.imageId 0) unless the run has gone on to write.
    virtual void Describe(const CheckReport& /*found*/) {}
    // A note for people: the source's notes, a record that could not be
    // read, sleep not held off.
    virtual void Note(const std::string& /*note*/) {}
    // A question; only when RunPolicy::canAsk.
    virtual Answer Ask(Question question, const CheckReport& found) = 0;
    // The image is chosen and the download has started: found.imageId,
    // imageVersion and imageSize are set.
    virtual void Writing(const CheckReport& /*found*/) {}
    virtual void OnProgress(uint32_t /*bytesDone*/, uint32_t /*bytesTotal*/) {}
    // Whole lines just added to the transfer log.
    virtual void OnLogLines(const std::string& /*lines*/) {}
    // The verdict; the last call of a run.
    virtual void ShowVerdict(const RunVerdict& verdict, const CheckReport& found) = 0;

protected:
    ~RunView() = default;
};

// What a front end lets the run do.
struct RunPolicy {
    bool write = true;        // false: a check, which reads only
    bool ask = true;          // ask before writing (no --yes; the desktop window's button)
    bool canAsk = true;       // someone is there to answer
    bool powerFirst = false;  // the power rule before the check (the Windows window)
    bool onBattery = false;   // write on battery or unknown power too
    bool holdSessionEnd = true;  // false: a window that answers the session's end itself
    LockPhase idlePhase = LockPhase::Checking;  // what the lock says while no step runs
    std::string program;      // names the records: "korvane-update 1.0.0"
    std::string again;        // the advice's last words: "run korvane-update again"
};

class CUpdateRun {
public:
    // `camera` may be null (no claims, no notes, no permission facts).
    CUpdateRun(RunView& view, RunPolicy policy, SystemCamera* camera);
    ~CUpdateRun();
    CUpdateRun(const CUpdateRun&) = delete;
    CUpdateRun& operator=(const CUpdateRun&) = delete;

    // The whole run, to the verdict (ShowVerdict called), the camera let go.
    RunVerdict Run();

    // The steps, for a front end with a message loop. Each returns false
    // once the run has ended (ShowVerdict called).
    bool PowerAllows();   // the power rule (Run: before the write, or first by policy)
    bool Check();         // Checking, the check, Describe; true when a write may follow
    // The person's answer to Question::Write (or true where none is asked):
    // the image choice, the question for an image not for the chip, the
    // claim, the hold, the download's start. True while it runs.
    bool Write(bool agreed);
    // While writing: true once the verdict is in and shown.
    bool Finished();
    // Waits for the verdict, calling meanwhile every everyMs.
    RunVerdict WaitForVerdict(uint32_t everyMs, const std::function<void()>& meanwhile);
    // Lets the camera go, with the pulse when no update was decided; not
    // while writing. Also at destruction.
    void LetGo();

    bool Writing() const { return writing_; }
    const CheckReport& Found() const { return found_; }
    const RunVerdict& Verdict() const { return verdict_; }
    // Discovery, the check and the download append to it.
    std::string transferLog;
    // The engine, for its seams (images, history) and what tests read.
    CUpdateEngine engine;

private:
    RunView& view_;
    RunPolicy policy_;
    SystemCamera* camera_;
    CheckReport found_;
    RunVerdict verdict_;
    bool writing_ = false;
};
