#include "desktop/window_run.h"

#include <utility>

namespace {

// The camera source and the run it feeds: the source's walks append to
// the run's transfer log, and the run lets the camera go before the
// source is taken away.
struct RunParts {
    RunParts(RunView& view, const RunPolicy& policy) : camera(&run.transferLog, ""), run(view, policy, &camera) {}
    SystemCamera camera;
    CUpdateRun run;
};

}  // namespace

WindowRun::WindowRun(RunScreen& screen, RunPolicy policy) : screen_(screen), policy_(std::move(policy)) {
    dispatcher_.connect([this] { Deliver(); });
    thread_ = std::thread([this] { Main(); });
}

WindowRun::~WindowRun() {
    Leave();
    if (thread_.joinable()) thread_.join();
}

void WindowRun::Main() {
    RunParts parts(*this, policy_);
    CUpdateRun& run = parts.run;
    const bool due = run.Check();
    PostLog(run.transferLog);
    // The power rule when the person has chosen to write, so that a
    // camera is described on battery too.
    if (due && WaitForChoice() == Choice::Update && run.PowerAllows(run.readPower()) && run.Write())
        run.Finish(WaitForResult());
    run.LetGo();
    PostLog(run.transferLog);
    Post([this] { screen_.RunEnded(); });
}

WindowRun::Choice WindowRun::WaitForChoice() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return choice_ != Choice::None; });
    return choice_;
}

// The download's worker ends with its result; its own waits are bounded,
// so this wait ends when it does.
int32_t WindowRun::WaitForResult() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return resulted_; });
    return result_;
}

void WindowRun::OnVerdict(int32_t result) {
    std::lock_guard<std::mutex> lock(mutex_);
    result_ = result;
    resulted_ = true;
    changed_.notify_all();
}

void WindowRun::Update() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (choice_ == Choice::None) choice_ = Choice::Update;
    changed_.notify_all();
}

void WindowRun::Leave() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (choice_ == Choice::None) choice_ = Choice::Leave;
    changed_.notify_all();
}

void WindowRun::AnswerNotForChip(bool write) {
    std::lock_guard<std::mutex> lock(mutex_);
    answer_ = write ? 1 : 0;
    changed_.notify_all();
}

void WindowRun::Post(std::function<void()> shown) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        shown_.push_back(std::move(shown));
    }
    dispatcher_.emit();
}

void WindowRun::Deliver() {
    std::vector<std::function<void()>> shown;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        shown.swap(shown_);
    }
    for (const auto& show : shown) show();
}

void WindowRun::PostLog(const std::string& log) {
    Post([this, log] { screen_.ShowLog(log); });
}

void WindowRun::Checking() {
    Post([this] { screen_.ShowChecking(); });
}

void WindowRun::Describe(const CheckReport& found) {
    Post([this, found] { screen_.ShowFound(found, found.verdict == CheckVerdict::Update); });
}

void WindowRun::Note(const std::string& note) {
    Post([this, note] { screen_.ShowNote(note); });
}

Answer WindowRun::Ask(Question question, const CheckReport&) {
    // The question to write was answered by the Update button before the
    // run went on to write.
    if (question == Question::Write) return Answer::Yes;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        answer_ = -1;
    }
    Post([this] { screen_.AskNotForChip(); });
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return answer_ >= 0; });
    return answer_ == 1 ? Answer::Yes : Answer::No;
}

void WindowRun::Writing(const CheckReport& found) {
    Post([this, found] { screen_.ShowWriting(found); });
}

void WindowRun::OnProgress(uint32_t bytesDone, uint32_t bytesTotal) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = bytesDone;
        total_ = bytesTotal;
        if (progressPending_) return;
        progressPending_ = true;
    }
    Post([this] {
        uint32_t done, total;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done = done_;
            total = total_;
            progressPending_ = false;
        }
        screen_.ShowProgress(done, total);
    });
}

void WindowRun::OnLogLines(const std::string& lines) {
    Post([this, lines] { screen_.AppendLog(lines); });
}

void WindowRun::ShowVerdict(const RunVerdict& verdict, const CheckReport& found) {
    Post([this, verdict, found] { screen_.ShowVerdict(verdict, found); });
}
