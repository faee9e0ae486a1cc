#include "update/run_ends.h"

#include <cctype>

#include "platform/printable.h"

namespace {

// Each end's outcome, and the plain sentence a window heads it with; the
// first row is also any end's that the table lacks.
const struct {
    RunEnd end;
    Outcome outcome;
    const char* title;
} kRunEnds[] = {
    {RunEnd::Failed, Outcome::Failed, "The update did not finish."},
    {RunEnd::Updated, Outcome::Updated, "The camera's firmware was updated."},
    {RunEnd::UpdateDue, Outcome::UpdateDue, "An update is due."},
    {RunEnd::Current, Outcome::Current, "The camera's firmware is up to date."},
    {RunEnd::Declined, Outcome::Declined, "Nothing was written."},
    {RunEnd::NoCamera, Outcome::NoCamera, "No camera to update was found."},
    {RunEnd::HeldByAnotherRun, Outcome::OtherInstance, "Another update is using this camera."},
    {RunEnd::NoPermission, Outcome::NoPermission, "This account may not use the camera."},
    {RunEnd::NotOurs, Outcome::NoCamera, "This camera cannot be updated here."},
    {RunEnd::CheckFailed, Outcome::CheckFailed, "The camera could not be checked."},
    {RunEnd::OnBattery, Outcome::OnBattery, "Plug the computer in to update the camera."},
    {RunEnd::NoOneToAsk, Outcome::NoTerminal, "Nothing was written."},
    {RunEnd::TerminalClosed, Outcome::TerminalClosed, "Nothing was written."},
    {RunEnd::Interrupted, Outcome::Interrupted, "Nothing was written."},
    {RunEnd::InUse, Outcome::InUse, "Another program is using the camera."},
    {RunEnd::StartFailed, Outcome::StartFailed, "The update could not start."},
    {RunEnd::AnotherUpdate, Outcome::OtherInstance, "Another camera update is running."},
    {RunEnd::NoLock, Outcome::Failed, "The update could not start."},
};

const auto& RowOf(RunEnd end) {
    for (const auto& row : kRunEnds)
        if (row.end == end) return row;
    return kRunEnds[0];
}

// The cause's words begin in lower case and end without a stop.
std::string Sentence(const std::string& words) {
    if (words.empty()) return "";
    std::string text = words;
    text[0] = char(std::toupper(static_cast<unsigned char>(text[0])));
    return text.back() == '.' || text.back() == ':' ? text : text + ".";
}

// "plug the computer in." with the program's way round it, where it has one.
std::string PlugIn(const std::string& override) {
    return override.empty() ? "plug the computer in." : "plug the computer in, or " + override + ".";
}

// The run's more particular words, where it has them; else the table's.
std::string Headline(const RunVerdict& v, const CheckReport& found, const std::string& override) {
    const FailureRow& cause = FailureOf(v.failure);
    switch (v.end) {
    case RunEnd::HeldByAnotherRun:
        return "Another camera update is running on this camera (" + Printable(v.heldNode) +
               " is locked); nothing was done.";
    case RunEnd::NoCamera:
        if (v.noted) return "No camera of ours found that uvcvideo lets us use (the notes say why).";
        break;
    case RunEnd::AnotherUpdate:
        return "Another camera update is running" + v.lockWords + "; nothing was done.";
    case RunEnd::NoLock: return "Cannot take the update lock (" + v.lockWords + "); nothing was done.";
    case RunEnd::NotOurs:
        return "A camera of this chip family was found, but nothing shows it is ours; it is left alone.";
    case RunEnd::Current:
        // By its code; but the whole flash, compared, is none of ours.
        if (found.flashContent == FlashContent::Other && found.flashCompared)
            return "No update needed by its FlashTypeCode; but its flash differs from this program's image, so "
                   "it holds another release's firmware or is damaged.";
        break;
    case RunEnd::OnBattery:
        return (v.powerRead ? "Not on mains power: " : "The power state could not be read: ") + PlugIn(override);
    case RunEnd::Failed: return v.failure == Failure::None ? "The update failed." : "The update failed: " + std::string(cause.text) + ".";
    case RunEnd::CheckFailed:
    case RunEnd::StartFailed:
        if (v.failure != Failure::None) return std::string(OutcomeOf(OutcomeOf(v.end)).text) + " " + Sentence(cause.text);
        break;
    default: break;
    }
    return OutcomeOf(OutcomeOf(v.end)).text;
}

}  // namespace

Outcome OutcomeOf(RunEnd end) { return RowOf(end).outcome; }

const char* RunEndTitle(RunEnd end) { return RowOf(end).title; }

std::string RunEndWords(const RunVerdict& verdict, const CheckReport& found, const std::string& override) {
    std::string words = Headline(verdict, found, override);
    if (!verdict.advice.empty()) words += " " + verdict.advice;
    return words;
}

std::string RunEndDetail(const RunVerdict& verdict, const CheckReport& found, const std::string& override) {
    // The table's words only restate the heading: the advice alone follows it.
    std::string words = Headline(verdict, found, override);
    if (words == OutcomeOf(OutcomeOf(verdict.end)).text) words.clear();
    if (!verdict.advice.empty()) words += (words.empty() ? "" : " ") + verdict.advice;
    // A write cut short may leave the flash half-written, which the camera
    // boots from.
    if (verdict.end == RunEnd::Failed) words = "The camera may not start until it is updated again. " + words;
    return words;
}

std::string RecordWords(const RunVerdict& verdict) {
    if (verdict.recordProblem.empty()) return "";
    return "The record of this update could not be kept: " + verdict.recordProblem + ".";
}
