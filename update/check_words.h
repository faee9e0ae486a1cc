// What a check found, in the words every front end shows: the verdict's
// name (JSON's) and words, the firmware the camera holds, its flash, and
// the image a write takes.
#pragma once

#include <string>

#include "update/check_report.h"

// The camera's name as people read it: "(no name)" when it gave none;
// made printable (platform/printable.h).
std::string CameraNameWords(const CameraIdentity& camera);

// "no-camera", "not-ours", "current", "update", "failed".
const char* CheckVerdictName(CheckVerdict verdict);
// "could not be opened", "not ours", "ours, current", "ours, update due",
// "ours, the check failed".
const char* CheckVerdictWords(CheckVerdict verdict);

// "V0309 (image 135)", or "another release"; "" when the check learnt
// nothing of it.
std::string HeldFirmwareWords(const CheckReport& found);
// The flash's type: its FlashTypeCode ("4"), "could not be identified" or
// "not recognised".
std::string FlashTypeWords(const CheckReport& found);
// How the whole flash compared with the program's images, where it was and
// differs: "a download that stopped before 0x00F000"; "" otherwise.
std::string FlashContentWords(const CheckReport& found);
// The image chosen to write: "image 135 (V0309)"; with its size, "image
// 135 (V0309), 65536 bytes".
std::string ImageName(const CheckReport& found);
std::string ImageWords(const CheckReport& found);
