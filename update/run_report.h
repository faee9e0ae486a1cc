// What one run found and did, for the closing lines and the JSON document.
#pragma once

#include <string>
#include <vector>

#include "update/run_ends.h"
#include "update/check_report.h"

struct Report {
    bool checkRan = false;
    CheckReport check;
    std::string result;                 // a result name of the outcome table
    Failure failure = Failure::None;    // why, where it failed
    int exitCode = 1;
    std::string message;                // one line for people
    std::vector<std::string> logTail;   // the transfer log's last lines on a failure
    std::vector<std::string> notes;     // what the camera source told the user
    // The other cameras of the family attached when none was chosen:
    // "number  path  name" each.
    std::vector<std::string> otherCameras;

    // How the run ended, from the outcome table; `words` instead of the
    // table's when the run has more particular ones.
    void Ends(Outcome outcome, const std::string& words = std::string()) {
        const OutcomeRow& row = OutcomeOf(outcome);
        result = row.result;
        exitCode = row.code;
        message = words.empty() ? row.text : words;
    }
    bool CameraFound() const { return checkRan && check.verdict != CheckVerdict::NoCamera; }
};
