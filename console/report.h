// What one run found and did, for the closing lines and the JSON document.
#pragma once

#include <string>
#include <vector>

struct Report {
    // The camera, as far as the check got.
    bool cameraFound = false;
    std::string name;
    std::string path;
    int chipId = -1;      // register 0x20FF; -1 unread
    int flashType = -99;  // the FlashType; -99 not identified this run
    int storedCode = -1;  // the FlashTypeCode in its flash; -1 unread
    // Where the code said current, the whole flash against the image:
    // "image", "cut", "unfinished", "differs"; "" not compared. And the first address
    // where the two differ.
    std::string flashContent;
    int flashDiffersAt = 0;
    // The decision: "no-camera", "not-ours", "current", "update", "failed"; "" before it.
    std::string decision;
    // The image it gets (or would get); 0 when none was chosen.
    int imageId = 0;
    std::string imageVersion;
    int imageSize = 0;
    // How the run ended: "updated", "failed", "current", "update-due",
    // "declined", "no-camera", "no-permission", "other-instance",
    // "on-battery", "interrupted", "usage"; with --list "listed".
    std::string result;
    int exitCode = 1;
    std::string message;                // one line for people
    std::vector<std::string> logTail;   // the transfer log's last lines on a failure
    std::vector<std::string> notes;     // what the camera source told the user
    // The other cameras of the family attached when none was chosen:
    // "number  path  name" each.
    std::vector<std::string> otherCameras;
};

// One JSON object holding the report, ended by a newline.
std::string ReportJson(const Report& report);
