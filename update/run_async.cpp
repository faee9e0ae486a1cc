#include "update/run_async.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>

#include "discovery/system_camera.h"
#include "platform/com_apartment.h"
#include "update/log_lines.h"

namespace {

// How often the run's thread looks for the download's end; the worker
// tells the view itself, so this only bounds the run's own delay.
constexpr uint32_t kVerdictEveryMs = 50;

}  // namespace

// What the loop's thread and the run's share; posted work holds it, so
// that work still queued when the front end has gone finds `alive` false.
struct CRunAsync::Shared {
    std::mutex mutex;
    std::condition_variable answered;
    std::optional<Answer> answer;
    bool leaving = false;
    bool alive = true;  // read and cleared on the loop's thread only
    std::atomic<bool> progressQueued{false};
    std::atomic<uint32_t> done{0}, total{0};
};

// The RunView the run calls, on its thread and on the download's worker:
// each call becomes work posted to the loop.
class CRunAsync::Bridge final : public RunView {
public:
    Bridge(AsyncRunView& view, RunPolicy policy, PostToLoop post, std::shared_ptr<Shared> shared)
        : run(*this, std::move(policy)), view_(view), post_(std::move(post)), shared_(std::move(shared)) {}

    void Main(bool systemCamera, const std::string& device) {
        // The system's camera walks from this thread: COM is this thread's.
        [[maybe_unused]] ComApartment com;
        std::unique_ptr<SystemCamera> camera;
        if (systemCamera) run.camera = (camera = std::make_unique<SystemCamera>(&run.transferLog, device)).get();
        run.Run(kVerdictEveryMs, [] {});
        PostLog(true);
        Post([](AsyncRunView& view) { view.Ended(); });
    }

    CUpdateRun run;

private:
    void Post(std::function<void(AsyncRunView&)> work) {
        post_([shared = shared_, view = &view_, work = std::move(work)] {
            if (shared->alive) work(*view);
        });
    }
    // The log's lines that ended since the last post, as its thread sees
    // them: the run's between steps, the worker's while it downloads. A line
    // still open is not posted half: it comes when it ends, or at the run's end.
    void PostLog(bool runEnded = false) {
        std::string lines = WholeLinesSince(run.transferLog, &logShown_);
        if (runEnded && run.transferLog.size() > logShown_) {
            lines += run.transferLog.substr(logShown_);
            logShown_ = run.transferLog.size();
        }
        if (lines.empty()) return;
        Post([lines](AsyncRunView& view) { view.LogAdded(lines); });
    }

    void Checking() override {
        Post([](AsyncRunView& view) { view.Checking(); });
    }
    void Attached(const std::vector<AttachedCamera>& cameras) override {
        Post([cameras](AsyncRunView& view) { view.Attached(cameras); });
    }
    void Describe(const CheckReport& found) override {
        PostLog();
        Post([found](AsyncRunView& view) { view.Describe(found); });
    }
    void Note(const std::string& note) override {
        Post([note](AsyncRunView& view) { view.Note(note); });
    }
    void PowerOverridden() override {
        Post([](AsyncRunView& view) { view.PowerOverridden(); });
    }
    Answer Ask(Question question, const CheckReport& found) override {
        std::unique_lock<std::mutex> lock(shared_->mutex);
        if (shared_->leaving) return Answer::No;
        shared_->answer.reset();
        lock.unlock();
        PostLog();
        Post([question, found, shared = shared_](AsyncRunView& view) {
            view.Ask(question, found, [shared](Answer answer) {
                std::lock_guard<std::mutex> answered(shared->mutex);
                if (!shared->answer) shared->answer = answer;
                shared->answered.notify_all();
            });
        });
        lock.lock();
        shared_->answered.wait(lock, [this] { return shared_->answer.has_value(); });
        return *shared_->answer;
    }
    void Writing(const CheckReport& found) override {
        PostLog();
        Post([found](AsyncRunView& view) { view.Writing(found); });
    }
    void OnProgress(uint32_t done, uint32_t total) override {
        shared_->done = done;
        shared_->total = total;
        if (shared_->progressQueued.exchange(true)) return;
        Post([shared = shared_](AsyncRunView& view) {
            shared->progressQueued = false;
            view.Progress(shared->done, shared->total);
        });
    }
    void OnLogLines(const std::string&) override { PostLog(); }
    void ShowVerdict(const RunVerdict& verdict, const CheckReport& found) override {
        PostLog();
        Post([verdict, found](AsyncRunView& view) { view.ShowVerdict(verdict, found); });
    }

    AsyncRunView& view_;
    PostToLoop post_;
    std::shared_ptr<Shared> shared_;
    size_t logShown_ = 0;  // moved by the run's thread, or the worker while it downloads
};

CRunAsync::CRunAsync(AsyncRunView& view, RunPolicy policy, PostToLoop post)
    : shared_(std::make_shared<Shared>()),
      bridge_(std::make_unique<Bridge>(view, std::move(policy), std::move(post), shared_)) {}

CRunAsync::~CRunAsync() {
    Leave();
    shared_->alive = false;
    if (thread_.joinable()) thread_.join();
}

void CRunAsync::Start(bool systemCamera, const std::string& device) {
    thread_ = std::thread([this, systemCamera, device] { bridge_->Main(systemCamera, device); });
}

void CRunAsync::Leave() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->leaving = true;
    if (!shared_->answer) shared_->answer = Answer::No;
    shared_->answered.notify_all();
}

CUpdateRun& CRunAsync::Run() { return bridge_->run; }
