// What one update check found and decided, for a front end to show, to
// serialise, and to hand back to the download. The check fills it as far
// as it got; a field it did not reach keeps its initial value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chip/flash_types.h"
#include "firmware/flash_content.h"
#include "platform/camera_identity.h"
#include "update/failure.h"
#include "update/update_history.h"

enum class CheckVerdict {
    NoCamera,  // no camera of ours' family could be opened
    NotOurs,   // nothing vouches that the camera is ours
    Current,   // its firmware suits its flash
    Update,    // it needs the update; the image is not chosen yet
    Failed,    // it is ours but the check could not finish: nothing written
};

// Ours as the check decided it, whatever its firmware.
inline bool IsOurs(CheckVerdict verdict) {
    return verdict == CheckVerdict::Current || verdict == CheckVerdict::Update || verdict == CheckVerdict::Failed;
}

// Whether an image may be written as it is.
enum class ImageFit {
    Fits,
    TooShort,        // shorter than the places the download reaches into
    NotForThisChip,  // its device descriptor is not the chip's: ask first
};

// What showed the camera is ours: the system's hardware IDs, its image
// sensor, or only the vendor and product IDs in its own flash.
enum class Vouch { Nothing, HardwareId, Sensor, FlashIds };

struct CheckReport {
    CheckVerdict verdict = CheckVerdict::NoCamera;
    // Why, in a few words for people and logs ("stored code 0x04 does not
    // suit flash type 4"), and for a Failed verdict the cause as a value.
    std::string reason;
    Failure failure = Failure::None;
    // The camera is ours and the check went past its stop texts: the close
    // must not tell it to carry on, a download may follow.
    bool updateNeeded = false;

    // The camera opened, as discovery found it, and what vouched for it:
    // the download confirms all of it at its reopen, since a node name is
    // reused by the next device.
    CameraIdentity camera;
    Vouch vouchedBy = Vouch::Nothing;
    // What vouched for it: the sensor probe's results (0 unless it ran),
    // and 1 when only the IDs in its flash did, which forces the update.
    int32_t sensorBringUpResult = 0;
    int32_t sensorIdResult = 0;
    int32_t forceUpdate = 0;

    // Its flash: what the identification made of it (not run: unknown,
    // finished), the row of the command tables used for it, and the
    // FlashTypeCode stored in it (-1 unread).
    bool flashIdentified = false;
    FlashIdentity flash;
    uint8_t flashTypeIndex = 0;
    int32_t storedCode = -1;
    // Where the code said current: how the whole flash compared with the
    // image, and the first address where the two differ.
    bool flashCompared = false;
    // The code said current, but reading the whole flash would have cost
    // more requests than the compare may spend: not compared.
    bool compareSkipped = false;
    FlashContent flashContent = FlashContent::Image;
    uint32_t flashDiffersAt = 0;

    // The last update this computer recorded for this camera, where one
    // was found, and why the records could not be read ("" when they were).
    std::optional<UpdateRecord> lastRecord;
    std::string recordProblem;

    // The program's image the flash holds byte for byte, where it holds one.
    int heldImageId = 0;
    const char* heldVersion = "";

    // The release the camera says it runs: its USB bcdDevice held against
    // the bcdDevice in each program image's device descriptor, at no cost
    // of requests. releaseKnown false: the system gave no USB identity;
    // known with releaseImageId 0: another release than this program's.
    bool releaseKnown = false;
    int releaseImageId = 0;
    const char* releaseVersion = "";

    // The image to write. The check does not choose it: asking the board
    // writes register 0x20BA and waits, so only a run that goes on to
    // write asks (CUpdateEngine::ChooseImage). Until then imageId is 0,
    // imageVersion "" and imageSize 0: the board chooses V0308 or V0309
    // when it writes. Once chosen: register 0x2045's choice (1 chooses
    // V0308), the image's length and whether it may be written as it is
    // (the engine keeps its bytes).
    int32_t imageChoice = 0;
    int imageId = 0;
    const char* imageVersion = "";
    uint32_t imageSize = 0;
    ImageFit imageFit = ImageFit::Fits;
};

// The firmware the camera holds as far as the check learnt it: the image
// its flash holds byte for byte, else the release its USB revision names.
// imageId 0 with known true: another release than this program's.
struct FirmwareHeld {
    bool known = false;
    int imageId = 0;
    const char* version = "";
};
inline FirmwareHeld FirmwareHeldBy(const CheckReport& r) {
    if (r.heldImageId > 0) return {true, r.heldImageId, r.heldVersion};
    return {r.flashCompared || r.releaseKnown, r.releaseImageId, r.releaseVersion};
}

// The camera a report describes, as the record of an update names it.
UpdateRecord CameraRecord(const CheckReport& report);
