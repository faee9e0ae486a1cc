#include "console/progress_bar.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "console/screen.h"
#include "platform/clock.h"
#include "platform/terminal.h"

namespace {

// The bar's cells: as many as the terminal leaves, within these.
constexpr int kMinBarCells = 10;
constexpr int kMaxBarCells = 30;
// Room kept for each text beside the bar, so that the bar keeps its length
// from "--:-- left" to "done".
constexpr size_t kSegmentRoom = 10;
// Below this much time the rate says nothing yet.
constexpr uint64_t kRateAfterMs = 200;

}  // namespace

// The image's size is known from the start.
void ProgressBar::OnProgress(uint32_t bytesDone, uint32_t) {
    doneAtMs_.store(NowMs(), std::memory_order_relaxed);
    done_.store(bytesDone, std::memory_order_relaxed);
    if (total_ == 0) return;
    const int tenth = int(uint64_t(bytesDone) * 10 / total_);
    for (; reachedTenth_ < tenth && reachedTenth_ < 10; ++reachedTenth_)
        reached_[reachedTenth_ + 1].store(bytesDone, std::memory_order_release);
}

void ProgressBar::Start(uint32_t bytesTotal) {
    total_ = bytesTotal;
    startMs_ = NowMs();
}

void ProgressBar::Draw() {
    if (total_ == 0 || !out_) return;
    if (!terminal_) return DrawSteps();
    const uint32_t done = done_.load(std::memory_order_relaxed);
    // The rate of the packets alone; the checks after the last one are not transfer.
    const uint64_t until = done == total_ ? doneAtMs_.load(std::memory_order_relaxed) : NowMs();
    const uint64_t elapsedMs = until > startMs_ ? until - startMs_ : 0;
    // At the end the rate is the whole transfer's, however short it was.
    const bool rateKnown = elapsedMs >= kRateAfterMs || (done == total_ && done > 0);
    const double rate = rateKnown ? done * 1000.0 / double(std::max<uint64_t>(elapsedMs, 1)) : 0.0;
    Redraw(out_, Line(done, rate));
    drawn_ = true;
}

// One line per 10 % reached, with the bytes taken when it was.
void ProgressBar::DrawSteps() {
    std::string lines;
    char line[64];
    for (uint32_t at; lastTenth_ < 10 && (at = reached_[lastTenth_ + 1].load(std::memory_order_acquire)) != 0;
         ++lastTenth_) {
        std::snprintf(line, sizeof line, "progress: %3d%%  %u of %u bytes\n", (lastTenth_ + 1) * 10, at, total_);
        lines += line;
    }
    if (!lines.empty()) SayLines(out_, lines);
}

std::string ProgressBar::Line(uint32_t done, double rate) const {
    char left[24] = "--:-- left", percent[8], bytes[32], rateText[24] = " --.- KiB/s";
    if (verdict_) {
        std::snprintf(left, sizeof left, "%s", verdict_);
    } else if (done == total_) {
        std::snprintf(left, sizeof left, "verifying");
    } else if (rate > 0) {
        const unsigned seconds = unsigned((total_ - done) / rate + 0.5);
        std::snprintf(left, sizeof left, "%u:%02u left", seconds / 60, seconds % 60);
    }
    std::snprintf(percent, sizeof percent, "%3d%%", int(uint64_t(done) * 100 / total_));
    std::snprintf(bytes, sizeof bytes, "%5.1f/%.1f KiB", done / 1024.0, total_ / 1024.0);
    if (rate > 0) std::snprintf(rateText, sizeof rateText, "%5.1f KiB/s", rate / 1024.0);
    // Shown as bytes, rate, time left (or the verdict); a narrow terminal
    // loses the rate first, then the bytes, then the time; never the percentage.
    const char* segments[] = {bytes, rateText, left};
    bool shown[] = {true, true, true};
    const auto fixed = [&] {
        size_t n = std::strlen("[] ") + std::strlen(percent);
        for (int i = 0; i < 3; ++i)
            if (shown[i]) n += 2 + std::max(std::strlen(segments[i]), kSegmentRoom);
        return int(n);
    };
    // The terminal's columns but the last, where some terminals (the
    // Windows console among them) wrap at once.
    const int width = int(LineWidth(out_)) - 1;
    for (int drop : {1, 0, 2})
        if (fixed() + kMinBarCells > width) shown[drop] = false;
    const int cells = std::max(kMinBarCells, std::min(kMaxBarCells, width - fixed()));
    const int filled = int(uint64_t(done) * unsigned(cells) / total_);
    std::string line = "[" + std::string(size_t(filled), '#') + std::string(size_t(cells - filled), '.') + "] " + percent;
    for (int i = 0; i < 3; ++i)
        if (shown[i]) line += std::string("  ") + segments[i];
    return line;
}

void ProgressBar::Finish(const char* verdict) {
    verdict_ = verdict;
    Draw();
    verdict_ = nullptr;
    if (terminal_ && drawn_) EndBarLine();
}
