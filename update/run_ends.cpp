#include "update/run_ends.h"

#include <cctype>

#include "platform/printable.h"

namespace {

const struct {
    RunEnd end;
    Outcome outcome;
} kRunEnds[] = {
    {RunEnd::Updated, Outcome::Updated},          {RunEnd::UpdateDue, Outcome::UpdateDue},
    {RunEnd::Current, Outcome::Current},          {RunEnd::Declined, Outcome::Declined},
    {RunEnd::NoCamera, Outcome::NoCamera},        {RunEnd::HeldByAnotherRun, Outcome::OtherInstance},
    {RunEnd::NoPermission, Outcome::NoPermission}, {RunEnd::NotOurs, Outcome::NoCamera},
    {RunEnd::CheckFailed, Outcome::CheckFailed},  {RunEnd::OnBattery, Outcome::OnBattery},
    {RunEnd::NoOneToAsk, Outcome::NoTerminal},    {RunEnd::TerminalClosed, Outcome::TerminalClosed},
    {RunEnd::Interrupted, Outcome::Interrupted},  {RunEnd::InUse, Outcome::InUse},
    {RunEnd::StartFailed, Outcome::StartFailed},  {RunEnd::Failed, Outcome::Failed},
    {RunEnd::AnotherUpdate, Outcome::OtherInstance}, {RunEnd::NoLock, Outcome::Failed},
};

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

Outcome OutcomeOf(RunEnd end) {
    for (const auto& row : kRunEnds)
        if (row.end == end) return row.outcome;
    return Outcome::Failed;
}

std::string RunEndWords(const RunVerdict& verdict, const CheckReport& found, const std::string& override) {
    std::string words = Headline(verdict, found, override);
    if (!verdict.advice.empty()) words += " " + verdict.advice;
    return words;
}

std::string RecordWords(const RunVerdict& verdict) {
    if (verdict.recordProblem.empty()) return "";
    return "The record of this update could not be kept: " + verdict.recordProblem + ".";
}
