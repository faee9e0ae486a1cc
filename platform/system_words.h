// The words the programs say differently on each system, beside the
// services that differ: a program's file name, where a log is kept, and
// what stands between an account and a camera.
#pragma once

// ".exe" on Windows, "" elsewhere.
extern const char kProgramFileSuffix[];
// Where a deployment tool might keep korvane-update's log, as the system would.
extern const char kLogFileExample[];
// A camera refused for permission: what happened and what lets the account
// open it; and the same in a few words.
extern const char kCameraAccessWords[];
extern const char kCameraAccessMeaning[];
