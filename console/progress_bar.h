// The download's progress for people: bytes the camera's engine has taken
// of the image, the rate and the time left. On a terminal one line redrawn
// in place, as wide as the terminal is; elsewhere (a log, a deployment
// tool) a plain line every 10 %. The worker reports through the observer;
// only the main thread draws.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

class ProgressBar final {
public:
    // `out` null: nothing is drawn (--quiet).
    ProgressBar(FILE* out, bool terminal) : out_(out), terminal_(terminal) {}

    // On the worker thread, after each packet the engine took.
    void OnProgress(uint32_t bytesDone, uint32_t bytesTotal);

    // On the main thread: the download starts (once); then as often as it
    // likes; then once at the verdict.
    void Start(uint32_t bytesTotal);
    void Draw();
    // `verdict` stands where the time left stood.
    void Finish(const char* verdict);

private:
    void DrawSteps();
    std::string Line(uint32_t done, double rate) const;

    FILE* out_;
    bool terminal_;
    std::atomic<uint32_t> done_{0};
    std::atomic<uint64_t> doneAtMs_{0};  // when the engine took the last packet
    // Plain lines: the bytes taken when each 10 % step was first reached,
    // 0 until then; written by the worker only.
    std::atomic<uint32_t> reached_[11] = {};
    int reachedTenth_ = 0;  // the worker's own count of steps recorded
    uint32_t total_ = 0;
    uint64_t startMs_ = 0;
    int lastTenth_ = 0;  // plain lines: the last 10 % step printed
    bool drawn_ = false;
    const char* verdict_ = nullptr;
};
