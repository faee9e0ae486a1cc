// The instance lock's record of its holder, one text for every system: a
// line each for the program, its process ID and its phase.
#include <cstdlib>

#include "platform/instance_lock.h"
#include "platform/printable.h"

namespace {

constexpr const char* kPhaseNames[] = {"checking", "asking", "writing", "window-open"};

// The next line of text from *at, moving past it; false when none ends.
bool NextLine(const std::string& text, size_t* at, std::string* line) {
    const size_t end = text.find('\n', *at);
    if (end == std::string::npos) return false;
    *line = text.substr(*at, end - *at);
    *at = end + 1;
    return true;
}

}  // namespace

std::string LockRecordText(const std::string& program, unsigned long process, LockPhase phase) {
    return program + "\n" + std::to_string(process) + "\n" + kPhaseNames[int(phase)] + "\n";
}

// A record cut short or half rewritten reads as none: the caller falls
// back to naming the lock alone. A longer one left behind beyond the
// three lines is ignored.
bool ReadLockRecord(const std::string& text, LockHolder* holder) {
    size_t at = 0;
    std::string program, process, phase;
    if (!NextLine(text, &at, &program) || !NextLine(text, &at, &process) || !NextLine(text, &at, &phase))
        return false;
    char* end = nullptr;
    const unsigned long id = std::strtoul(process.c_str(), &end, 10);
    if (program.empty() || process.empty() || *end != '\0' || id == 0) return false;
    for (int p = 0; p < int(sizeof kPhaseNames / sizeof *kPhaseNames); ++p) {
        if (phase != kPhaseNames[p]) continue;
        holder->program = program;
        holder->process = id;
        holder->phase = LockPhase(p);
        return true;
    }
    return false;
}

std::string LockHolderWords(const LockHolder& holder, const std::string& lockName) {
    if (holder.program.empty()) return " (" + lockName + " is held)";
    const char* doing = "is checking a camera";
    switch (holder.phase) {
    case LockPhase::Checking: break;
    case LockPhase::Asking: doing = "is waiting for an answer at its question"; break;
    case LockPhase::Writing: doing = "is writing a camera's firmware"; break;
    case LockPhase::WindowOpen: doing = "has the update window open"; break;
    }
    return ": " + Printable(holder.program) + " (process " + std::to_string(holder.process) + ") " + doing;
}
