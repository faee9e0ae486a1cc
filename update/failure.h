// Why a check or a download failed, as a value a front end can act on, with
// the words for people and the advice for the cause beside it. The
// transfer log says the same in the camera protocol's own lines; nothing
// reads those to learn why.
#pragma once

#include <cstddef>

enum class Failure {
    None,
    // The check: ours, but it could not finish.
    FlashNotIdentified,  // identification gave up
    FlashUnreadable,     // the FlashTypeCode or the flash could not be read
    ImageMissing,        // an image of the program is missing: a broken build
    ImageTooShort,       // the chosen image does not reach what the download writes
    PartNotWritable,     // a download of ours did not finish, on a part this program cannot write
    // The start of the download.
    NotAgreed,           // an image not for the chip, and no one agreed to write it
    CameraNotReopened,   // the camera could not be opened again
    CameraChanged,       // another camera stands where the checked one was
    NoWorker,            // the download's thread could not be started
    // The download.
    CameraGone,          // the camera went away: unplugged, or its port or cable
    LengthFixedByDriver, // the driver holds another length for a control than the camera now answers
    RequestFailed,       // a request to the camera failed
    ChecksumMismatch,    // the camera's checksum of what it received differs
    VerifyFailed,        // the flash read back differs from the image
};

struct FailureRow {
    Failure failure;
    const char* name;  // for JSON and logs: "camera-gone"
    const char* text;  // what went wrong, for people
    // What the person can do, ahead of the program's own words for running
    // it again ("run korvane-update again"); "" when those words alone
    // are the advice, null when there is none in particular.
    const char* advice = nullptr;
};

inline constexpr FailureRow kFailures[] = {
    {Failure::None, "none", ""},
    {Failure::FlashNotIdentified, "flash-not-identified", "the flash could not be identified"},
    {Failure::FlashUnreadable, "flash-unreadable", "the flash could not be read"},
    {Failure::ImageMissing, "image-missing", "a firmware image is missing from this program"},
    {Failure::ImageTooShort, "image-too-short", "the firmware image is too short to write"},
    {Failure::PartNotWritable, "part-not-writable",
     "the flash holds an unfinished download, but its part is not one this program can write"},
    {Failure::NotAgreed, "not-agreed", "the image is not for this chip and no one agreed to write it"},
    {Failure::CameraNotReopened, "camera-not-reopened", "the camera could not be opened again"},
    {Failure::CameraChanged, "camera-changed", "another camera took the checked camera's place"},
    {Failure::NoWorker, "no-worker", "the download could not be started"},
    {Failure::CameraGone, "camera-gone", "the camera went away during the download",
     "Check its cable and port, keep it plugged in, and "},
    {Failure::LengthFixedByDriver, "length-fixed-by-driver",
     "the driver fixed a control's length at its first use and the camera now answers another",
     // uvcvideo keeps the length it learnt until the camera is unplugged.
     "Unplug and replug the camera, then "},
    {Failure::RequestFailed, "request-failed", "a request to the camera failed"},
    {Failure::ChecksumMismatch, "checksum-mismatch", "the camera's checksum of what it received was wrong", ""},
    {Failure::VerifyFailed, "verify-failed", "the flash read back differs from the image", ""},
};

inline const FailureRow& FailureOf(Failure failure) {
    for (const FailureRow& row : kFailures)
        if (row.failure == failure) return row;
    return kFailures[0];
}
