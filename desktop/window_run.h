// The update run on a thread of its own, so that the check, the image
// choice's pause and the download never hold up the window. What the run
// shows reaches the window on GTK's thread, through a dispatcher; the
// window answers through Update, AnswerNotForChip and Leave.
#pragma once

#include <glibmm/dispatcher.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "discovery/system_camera.h"
#include "update/update_run.h"

// What the window does with what the run shows; called on GTK's thread.
class RunScreen {
public:
    virtual void ShowChecking() = 0;
    virtual void ShowFound(const CheckReport& found, bool due) = 0;
    virtual void ShowNote(const std::string& note) = 0;
    virtual void ShowWriting(const CheckReport& found) = 0;
    virtual void ShowProgress(uint32_t done, uint32_t total) = 0;
    // The transfer log whole, between the run's steps; and the lines the
    // download adds while it runs.
    virtual void ShowLog(const std::string& log) = 0;
    virtual void AppendLog(const std::string& lines) = 0;
    // The question for an image not for the chip; answered by AnswerNotForChip.
    virtual void AskNotForChip() = 0;
    virtual void ShowVerdict(const RunVerdict& verdict, const CheckReport& found) = 0;
    // The run's thread has nothing more to do.
    virtual void RunEnded() = 0;

protected:
    ~RunScreen() = default;
};

class WindowRun : private RunView {
public:
    // Starts the thread, which checks at once.
    WindowRun(RunScreen& screen, RunPolicy policy);
    // Lets the camera go (a write is never left: Leave is refused while
    // one runs) and joins the thread.
    ~WindowRun();
    WindowRun(const WindowRun&) = delete;
    WindowRun& operator=(const WindowRun&) = delete;

    // The person pressed Update.
    void Update();
    void AnswerNotForChip(bool write);
    // The window closes: a due camera not written is let go.
    void Leave();

private:
    enum class Choice { None, Update, Leave };

    void Main();
    void Post(std::function<void()> shown);
    void Deliver();
    Choice WaitForChoice();
    void PostLog(const std::string& log);

    // RunView, on the run's thread (OnProgress, OnLogLines and OnVerdict
    // on the download's worker).
    void Checking() override;
    void Describe(const CheckReport& found) override;
    void Note(const std::string& note) override;
    Answer Ask(Question question, const CheckReport& found) override;
    void Writing(const CheckReport& found) override;
    void OnProgress(uint32_t bytesDone, uint32_t bytesTotal) override;
    void OnLogLines(const std::string& lines) override;
    void OnVerdict(int32_t result) override;
    int32_t WaitForResult();
    void ShowVerdict(const RunVerdict& verdict, const CheckReport& found) override;

    RunScreen& screen_;
    RunPolicy policy_;
    Glib::Dispatcher dispatcher_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::function<void()>> shown_;  // for GTK's thread, in order
    bool progressPending_ = false;              // the latest progress is queued already
    uint32_t done_ = 0, total_ = 0;
    Choice choice_ = Choice::None;
    int answer_ = -1;  // the question's: -1 none yet, 0 no, 1 yes
    bool resulted_ = false;  // the download's worker has given its result
    int32_t result_ = 0;
    std::thread thread_;
};
