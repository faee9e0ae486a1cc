#include "update/update_run.h"

#include <utility>

CUpdateRun::CUpdateRun(RunView& view, RunPolicy policy, SystemCamera* systemCamera)
    : camera(systemCamera), view_(view), policy_(std::move(policy)), inhibitor_(policy_.holdSessionEnd) {
    engine.program = policy_.program;
}

// The engine lets the camera go without the pulse, as a window that goes
// away does.
CUpdateRun::~CUpdateRun() { ReleaseClaims(); }

bool TakeRunLock(const std::string& program, RunVerdict* refused) {
    LockHolder holder;
    switch (TakeInstanceLock(program, &refused->lockWords, &holder)) {
    case LockResult::Held: return true;
    case LockResult::Busy:
        refused->end = RunEnd::AnotherUpdate;
        refused->lockWords = LockHolderWords(holder, refused->lockWords);
        return false;
    case LockResult::Unavailable: break;
    }
    refused->end = RunEnd::NoLock;
    return false;
}

RunVerdict CUpdateRun::Run(uint32_t everyMs, const std::function<void()>& meanwhile) {
    if (!policy_.lockProgram.empty() && !takeLock(policy_.lockProgram, &verdict_)) {
        End(verdict_.end);
        return verdict_;
    }
    const bool going = (policy_.powerAt != PowerAt::Start || PowerAllows(readPower())) && Check() &&
                       (policy_.powerAt != PowerAt::Question || PowerAllows(readPower())) && Write();
    if (going) Finish(engine.WaitForVerdict(everyMs, meanwhile));
    LetGo();
    return verdict_;
}

void CUpdateRun::LetGo() {
    if (!writing_) engine.LetGo();
}

// Every road's end: the lock says the run rests, the view learns why.
bool CUpdateRun::End(RunEnd end, Failure failure) {
    verdict_.end = end;
    verdict_.failure = failure;
    Advise();
    SetLockPhase(policy_.idlePhase);
    view_.ShowVerdict(verdict_, found_);
    return false;
}
