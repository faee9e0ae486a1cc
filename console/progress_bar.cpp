#include "console/progress_bar.h"

#include "platform/clock.h"

namespace {

constexpr int kBarCells = 30;
// Below this much time the rate says nothing yet.
constexpr uint64_t kRateAfterMs = 200;

}  // namespace

ProgressBar::ProgressBar(FILE* out, bool terminal) : out_(out), terminal_(terminal) {}

void ProgressBar::OnProgress(uint32_t bytesDone, uint32_t bytesTotal) {
    (void)bytesTotal;  // the image size is known from the start
    doneAtMs_.store(NowMs(), std::memory_order_relaxed);
    done_.store(bytesDone, std::memory_order_relaxed);
    if (total_ == 0) return;
    const int tenth = int(uint64_t(bytesDone) * 10 / total_);
    for (; reachedTenth_ < tenth && reachedTenth_ < 10; ++reachedTenth_)
        reached_[reachedTenth_ + 1].store(bytesDone, std::memory_order_release);
}

void ProgressBar::Start(uint32_t bytesTotal) {
    total_ = bytesTotal;
    done_.store(0, std::memory_order_relaxed);
    for (auto& r : reached_) r.store(0, std::memory_order_relaxed);
    reachedTenth_ = 0;
    startMs_ = NowMs();
    lastTenth_ = 0;
    drawn_ = false;
    verdict_ = nullptr;
}

void ProgressBar::Draw() {
    if (total_ == 0) return;
    const uint32_t done = done_.load(std::memory_order_relaxed);
    const int percent = int(uint64_t(done) * 100 / total_);
    // The rate of the packets alone; the checks after the last one are not transfer.
    const uint64_t until = done == total_ ? doneAtMs_.load(std::memory_order_relaxed) : NowMs();
    const uint64_t elapsedMs = until > startMs_ ? until - startMs_ : 0;
    const double rate = elapsedMs >= kRateAfterMs ? done * 1000.0 / double(elapsedMs) : 0.0;

    if (!terminal_) {
        // One line per 10 % reached, with the bytes taken when it was.
        for (uint32_t at; lastTenth_ < 10 &&
                          (at = reached_[lastTenth_ + 1].load(std::memory_order_acquire)) != 0;
             ++lastTenth_)
            std::fprintf(out_, "progress: %3d%%  %u of %u bytes\n", (lastTenth_ + 1) * 10, at,
                         total_);
        std::fflush(out_);
        return;
    }
    char bar[kBarCells + 1];
    const int filled = int(uint64_t(done) * kBarCells / total_);
    for (int i = 0; i < kBarCells; ++i) bar[i] = i < filled ? '#' : '.';
    bar[kBarCells] = '\0';
    char left[24] = "--:-- left";
    if (verdict_) {
        std::snprintf(left, sizeof left, "%s", verdict_);
    } else if (done == total_) {
        std::snprintf(left, sizeof left, "verifying ");
    } else if (rate > 0) {
        const unsigned seconds = unsigned((total_ - done) / rate + 0.5);
        std::snprintf(left, sizeof left, "%u:%02u left", seconds / 60, seconds % 60);
    }
    std::fprintf(out_, "\r[%s] %3d%%  %5.1f/%.1f KiB  %5.1f KiB/s  %s   ", bar, percent,
                 done / 1024.0, total_ / 1024.0, rate / 1024.0, left);
    std::fflush(out_);
    drawn_ = true;
}

void ProgressBar::Finish(const char* verdict) {
    verdict_ = verdict;
    Draw();
    verdict_ = nullptr;
    if (terminal_ && drawn_) std::fputc('\n', out_);
    std::fflush(out_);
}
