#include "console/camera_description.h"

#include <string>

#include "console/log_text.h"
#include "console/screen.h"
#include "platform/hex_text.h"

namespace {

// The values start in this column, under one another.
constexpr size_t kValueColumn = 15;

void Line(FILE* out, const std::string& label, const std::string& value) {
    Say(out, label + std::string(kValueColumn - label.size(), ' ') + value, kValueColumn);
}

bool Ours(CheckVerdict verdict) {
    return verdict == CheckVerdict::Current || verdict == CheckVerdict::Update || verdict == CheckVerdict::Failed;
}

std::string FlashTypeWords(const CheckReport& c) {
    if (c.flashIdentified && c.flash.type >= 0) return std::to_string(int(c.flash.type));
    if (c.flashIdentified && !c.flash.Finished()) return "could not be identified";
    return "not recognised";
}

// How the whole flash compared with this program's images, where it was.
std::string FlashWords(const CheckReport& c) {
    const std::string at = HexText(c.flashDiffersAt, 6);
    if (!c.flashCompared) return "";
    switch (c.flashContent) {
    case FlashContent::Cut: return "a download that stopped before " + at;
    case FlashContent::Unfinished: return "a download that did not finish, first gap at " + at;
    case FlashContent::Other: return "differs from this program's image at " + at;
    case FlashContent::Image: break;
    }
    return "";
}

// The release the camera holds, whether or not one is due.
std::string FirmwareWords(const CheckReport& c) {
    const FirmwareHeld held = FirmwareHeldBy(c);
    if (!held.known) return "";
    if (held.imageId <= 0) return "another release";
    return std::string(held.version) + " (image " + std::to_string(held.imageId) + ")" +
           (c.verdict == CheckVerdict::Current ? ", current" : "");
}

// What is due: the image, or, where the board has not chosen it yet,
// the choice it makes when it writes.
std::string UpdateWords(const CheckReport& c) {
    if (c.imageId == 0) return "due; the camera's board chooses V0308 or V0309 when it writes";
    return "image " + std::to_string(c.imageId) + " (" + c.imageVersion + "), " + std::to_string(c.imageSize) +
           " bytes";
}

}  // namespace

void DescribeCamera(FILE* out, const CheckReport& c) {
    if (c.verdict == CheckVerdict::NoCamera) return;
    const CameraIdentity& camera = c.camera;
    Line(out, "Camera:", camera.name.empty() ? "(no name)" : Printable(camera.name));
    if (!camera.path.empty()) Line(out, "Device:", Printable(camera.path));
    if (camera.chipId >= 0) Line(out, "Chip ID:", HexText(unsigned(camera.chipId), 2));
    if (Ours(c.verdict)) Line(out, "Flash type:", FlashTypeWords(c));
    if (c.storedCode >= 0) Line(out, "Stored code:", HexText(unsigned(c.storedCode), 2));
    if (!FlashWords(c).empty()) Line(out, "Flash:", FlashWords(c));
    if ((c.verdict == CheckVerdict::Current || c.verdict == CheckVerdict::Update) && !FirmwareWords(c).empty())
        Line(out, "Firmware:", FirmwareWords(c));
    if (c.verdict == CheckVerdict::Update) Line(out, "Update:", UpdateWords(c));
}
