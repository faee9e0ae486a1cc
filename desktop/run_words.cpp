#include "desktop/run_words.h"

#include <cctype>
#include <cstdio>

namespace {

struct EndWords {
    RunEnd end;
    const char* text;
};

// Ends a window's run cannot reach (a check only, no one to ask, a
// terminal) keep words all the same: a run decides, not this table.
constexpr EndWords kEndWords[] = {
    {RunEnd::Updated, "Updated: the firmware was written, verified and committed."},
    {RunEnd::UpdateDue, "An update is due; nothing was written."},
    {RunEnd::Current, "No update needed: its firmware is current."},
    {RunEnd::Declined, "Not written: the flash was not touched."},
    {RunEnd::NoCamera, "No camera of ours found. Plug the camera in, then open this window again."},
    {RunEnd::HeldByAnotherRun, "Another update run holds the camera; nothing was done."},
    {RunEnd::NoPermission,
     "The camera could not be opened: this account may not use it. Join the video group "
     "(sudo adduser $USER video, then log out and in again), or use the computer at its own seat, "
     "then open this window again."},
    {RunEnd::NotOurs, "Nothing shows this camera is ours; nothing was written."},
    {RunEnd::CheckFailed, "The check could not finish; the flash was not touched."},
    {RunEnd::OnBattery, "Not on mains power: plug the computer in, then open this window again."},
    {RunEnd::NoOneToAsk, "No one was there to answer; nothing was written."},
    {RunEnd::TerminalClosed, "The question was closed; nothing was written."},
    {RunEnd::Interrupted, "Interrupted: the flash was not touched."},
    {RunEnd::InUse, "The camera is in use by another program; close it and open this window again. "
                    "The flash was not touched."},
    {RunEnd::StartFailed, "The download could not start; the flash was not touched."},
    {RunEnd::Failed, "The update failed."},
};

std::string Sentence(const std::string& words) {
    if (words.empty()) return "";
    std::string text = words;
    text[0] = char(std::toupper(static_cast<unsigned char>(text[0])));  // the cause's words begin in lower case
    return text.back() == '.' || text.back() == ':' ? text : text + ".";
}

}  // namespace

std::string VerdictWords(const RunVerdict& verdict) {
    std::string text;
    for (const EndWords& row : kEndWords)
        if (row.end == verdict.end) text = row.text;
    if (verdict.failure != Failure::None) text += " " + Sentence(FailureOf(verdict.failure).text);
    if (!verdict.advice.empty()) text += " " + Sentence(verdict.advice);
    if (!verdict.keepAwakeCommand.empty()) text += "\n" + verdict.keepAwakeCommand;
    if (!verdict.recordProblem.empty()) text += "\n" + Sentence(verdict.recordProblem);
    return text;
}

std::string ProgressWords(uint32_t done, uint32_t total, uint64_t elapsedMs) {
    char text[96];
    int n = std::snprintf(text, sizeof text, "%.1f of %.1f KiB", done / 1024.0, total / 1024.0);
    // A rate read from less than a few kibibytes says little.
    constexpr uint32_t kRateFromBytes = 4096;
    if (done >= kRateFromBytes && done < total && elapsedMs > 0) {
        const uint64_t leftMs = uint64_t(total - done) * elapsedMs / done;
        std::snprintf(text + n, sizeof text - n, ", about %llu s left", (unsigned long long)(leftMs + 999) / 1000);
    }
    return text;
}
