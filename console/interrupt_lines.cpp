#include "console/interrupt_lines.h"

#include <string>

#include "console/screen.h"

namespace {

constexpr const char* kHeldOff =
    "korvane-update: not stopping now: the camera's flash is being written and would be left unusable; the "
    "update runs to its verdict.";
// The system, not this program, decides that the download is cut; the
// handler says it at once, and a line of its own is begun whatever was on
// the last.
constexpr const char* kCut =
    "korvane-update: Windows is ending this program (console closed, log-off or shut-down) while the camera's "
    "flash is being written; the download may be cut. If it is, keep the camera plugged in and run "
    "korvane-update again.";

}  // namespace

const InterruptLines& HandlerLines() {
    static const std::string cut = "\n" + WrappedFor(stderr, kCut);
    static const InterruptLines lines = {cut.c_str()};
    return lines;
}

void SayHeldOffInterrupts() {
    for (int heldOff = TakeHeldOffInterrupts(); heldOff > 0; --heldOff) Say(stderr, kHeldOff);
}
