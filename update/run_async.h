// The update run for a front end with an event loop. The run goes on a
// thread of its own, so that the check, the image choice's pause and the
// download never hold the loop up; all it shows and asks reaches the front
// end as work posted to the front end's own loop, which alone calls the
// view. A question is answered by calling the reply it comes with, at any
// later turn of the loop; the verdict comes as a post, and Ended last.
// Results: none; how the run ended is the verdict the view is shown.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "update/update_run.h"

// Hands work from another thread to the front end's loop, which runs each
// piece on its own thread, in the order posted.
using PostToLoop = std::function<void(std::function<void()>)>;
// Answers a question; the first answer counts.
using Reply = std::function<void(Answer)>;

// What the front end shows and asks; every call comes on its loop's thread
// and none after the CRunAsync is gone.
class AsyncRunView {
public:
    virtual void Checking() {}
    virtual void Attached(const std::vector<AttachedCamera>& /*cameras*/) {}
    virtual void Describe(const CheckReport& /*found*/) {}
    virtual void Note(const std::string& /*note*/) {}
    virtual void PowerOverridden() {}
    virtual void Ask(Question question, const CheckReport& found, Reply reply) = 0;
    virtual void Writing(const CheckReport& /*found*/) {}
    // The download's latest progress (earlier ones not yet shown are dropped).
    virtual void Progress(uint32_t /*done*/, uint32_t /*total*/) {}
    // The transfer log's lines that ended since the last call; a last line
    // left open comes with the run's end.
    virtual void LogAdded(const std::string& /*lines*/) {}
    virtual void ShowVerdict(const RunVerdict& verdict, const CheckReport& found) = 0;
    // The camera is let go and the run's thread has nothing more to do.
    virtual void Ended() {}

protected:
    ~AsyncRunView() = default;
};

class CRunAsync {
public:
    CRunAsync(AsyncRunView& view, RunPolicy policy, PostToLoop post);
    // Leaves, then waits for the run's thread: at once unless the check or a
    // write is under way, which no front end cuts short.
    ~CRunAsync();
    CRunAsync(const CRunAsync&) = delete;
    CRunAsync& operator=(const CRunAsync&) = delete;

    // Starts the run's thread, which checks at once; on the system's
    // camera (SystemCamera; `device` as ParseCameraChoice reads it, "" for
    // the first), or on the process's camera source as it is.
    void Start(bool systemCamera = true, const std::string& device = "");
    // The front end goes: a question open or to come is answered No.
    void Leave();

    // The run, for its seams (engine, readPower) before Start.
    CUpdateRun& Run();

private:
    struct Shared;
    class Bridge;
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<Bridge> bridge_;
    std::thread thread_;
};
