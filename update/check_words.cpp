#include "update/check_words.h"

#include "platform/hex_text.h"
#include "platform/printable.h"

namespace {

struct VerdictRow {
    CheckVerdict verdict;
    const char* name;
    const char* words;
};

constexpr VerdictRow kVerdicts[] = {
    {CheckVerdict::NoCamera, "no-camera", "could not be opened"},
    {CheckVerdict::NotOurs, "not-ours", "not ours"},
    {CheckVerdict::Current, "current", "ours, current"},
    {CheckVerdict::Update, "update", "ours, update due"},
    {CheckVerdict::Failed, "failed", "ours, the check failed"},
};

const VerdictRow& RowOf(CheckVerdict verdict) {
    for (const VerdictRow& row : kVerdicts)
        if (row.verdict == verdict) return row;
    return kVerdicts[0];
}

}  // namespace

std::string CameraNameWords(const CameraIdentity& camera) {
    return camera.name.empty() ? "(no name)" : Printable(camera.name);
}

const char* CheckVerdictName(CheckVerdict verdict) { return RowOf(verdict).name; }

const char* CheckVerdictWords(CheckVerdict verdict) { return RowOf(verdict).words; }

std::string HeldFirmwareWords(const CheckReport& found) {
    const FirmwareHeld held = FirmwareHeldBy(found);
    if (!held.known) return "";
    if (held.imageId <= 0) return "another release";
    return std::string(held.version) + " (image " + std::to_string(held.imageId) + ")";
}

std::string FlashTypeWords(const CheckReport& c) {
    if (c.flashIdentified && c.flash.type >= 0) return std::to_string(int(c.flash.type));
    if (c.flashIdentified && !c.flash.Finished()) return "could not be identified";
    return "not recognised";
}

std::string FlashContentWords(const CheckReport& c) {
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

std::string ImageName(const CheckReport& found) {
    return "image " + std::to_string(found.imageId) + " (" + found.imageVersion + ")";
}

std::string ImageWords(const CheckReport& found) {
    return ImageName(found) + ", " + std::to_string(found.imageSize) + " bytes";
}
