#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "chip/flash_type_table.h"
#include "discovery/camera_source.h"
#include "firmware/firmware_image.h"
#include "platform/byte_order.h"
#include "platform/camera_identity.h"
#include "platform/state_folder.h"
#include "update/log_lines.h"
#include "update/update_engine.h"

namespace {

// The compare may cost a camera no more requests than a download would:
// 64 KiB in 64-byte packets.
constexpr uint32_t kMostCompareRequests = kFirmwareImageSize / 64;

const char* VersionOf(int imageId) { return kCarriedImages[imageId == kImageV0308 ? 0 : 1].version; }

template <typename... Values>
std::string Formatted(const char* format, Values... values) {
    char text[120];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

}  // namespace



// The flash cannot tell every cut update from a finished one (a cut erase
// may leave a code that reads current over a flash no download of ours
// left; a download cut before its commit leaves the image whole): the
// record this computer kept of the camera's last update can. A record that
// cannot be read is said and decides nothing.
bool CUpdateEngine::LastUpdateUnfinished(CheckReport* r, std::string& log) {
    std::string why;
    // A record matches a camera only at the same place on the bus: with no
    // port known, this camera's record is one no other unit can match.
    if (r->camera.busPlace.empty()) {
        EndOpenLine(log);
        log += "No port known for this camera: its record here names no place, and decides nothing later.\r\n";
    }
    r->lastRecord = history.Latest(CameraRecord(*r), &why);
    if (!why.empty()) {
        r->recordProblem = why;
        EndOpenLine(log);  // the program's words on a line of their own
        log += "Update history not read: " + why + ".\r\n";
    }
    if (!r->lastRecord || r->lastRecord->outcome == kOutcomeUpdated) return false;
    const bool failed = r->lastRecord->outcome == kOutcomeFailed;
    EndOpenLine(log);
    log += std::string("The last update of this camera here ") + (failed ? "failed" : "did not finish") + ".\r\n";
    r->reason = "the last update of this camera on this computer (" + r->lastRecord->started + ") " +
                (failed ? "failed" : "did not finish");
    return true;
}







// Stale when the code the last download left does not suit the fitted
// flash, for the parts whose code the check knows. Nothing is decided on
// an identification that could not finish or a code that could not be
// read: either may hide a flash that the wrong command table would ruin.
CUpdateEngine::Firmware CUpdateEngine::FirmwareState(CheckReport* r, std::string& log) {
    r->flash = device_->IdentifyFlash();
    r->flashIdentified = true;
    const int32_t type = r->flash.type;
    r->flashTypeIndex = uint8_t(type >= 0 && type < kFlashTypeCount ? type : 0);
    if (!r->flash.Finished()) {
        AppendLine(log, std::string("IdentifyFlash gave up: ") + r->flash.stoppedAt + ".\r\n");
        r->reason = std::string("the flash could not be identified: ") + r->flash.stoppedAt;
        r->failure = Failure::FlashNotIdentified;
        return Firmware::Unknown;
    }
    if (!ReadBlock(BlockOf(kFlashTypeCodeOffset), InBlock(kFlashTypeCodeOffset) + 1, log)) {
        r->reason = "the FlashTypeCode could not be read";
        r->failure = Failure::FlashUnreadable;
        return Firmware::Unknown;
    }
    r->storedCode = readBuffer_[InBlock(kFlashTypeCodeOffset)];
    if (r->forceUpdate == 1) {
        r->reason = "only the IDs in its flash show it is ours";
        return Firmware::Stale;
    }
    if (type >= 0 && kFlashTypes[type].codeChecked && r->storedCode != kFlashTypes[type].code) {
        r->reason = Formatted("stored code 0x%02X does not suit flash type %d", unsigned(r->storedCode), int(type));
        return Firmware::Stale;
    }
    if (type >= 0 && LastUpdateUnfinished(r, log)) return Firmware::Stale;
    const Firmware state = FlashAgainstImages(r, log);
    // Only a flash whose part is known may be written on what its content
    // says: any other table would program it with the wrong commands.
    if (state == Firmware::Stale && type < 0) {
        AppendLine(log, "Flash part not recognised: not written.\r\n");
        r->reason += ", but its flash part is not one this program can write";
        r->failure = Failure::PartNotWritable;
        return Firmware::Unknown;
    }
    return state;
}

// One of the program's images, its bytes as the loader gives them. Both
// are part of the program; one missing is a broken build, said once here.
bool CUpdateEngine::LoadProgramImage(int id, std::vector<uint8_t>* image, CheckReport* r, std::string& log) {
    std::unique_ptr<uint8_t[]> bytes;
    int32_t size = 0;
    if (loadImage(id, &bytes, &size) && bytes && size > 0) {
        image->assign(bytes.get(), bytes.get() + size);
        return true;
    }
    AppendLine(log, "Firmware image " + std::to_string(id) + " missing.\r\n");
    r->reason = "firmware image " + std::to_string(id) + " is missing from this program";
    r->failure = Failure::ImageMissing;
    return false;
}

// An image of the program as this camera would get it: patched for its
// flash, and as long as the flash (a short image leaves the rest erased).
bool CUpdateEngine::PatchedImage(int id, CheckReport* r, std::vector<uint8_t>* image, std::string& log) {
    if (!LoadProgramImage(id, image, r, log)) return false;
    if (image->size() < kMinFirmwareImageSize) {
        AppendLine(log, "Firmware image " + std::to_string(id) + " too short.\r\n");
        r->reason = "firmware image " + std::to_string(id) + " is too short to compare";
        r->failure = Failure::ImageTooShort;
        return false;
    }
    image->resize(kFirmwareImageSize, 0xFF);
    return PatchFlashTypeByte(image->data(), uint32_t(image->size()), r->flashTypeIndex) == FirmwareStatus::Ok;
}

namespace {

struct Compared {
    int id;
    FlashContent content;
    uint32_t at;
};

// The closest reading first: the image held whole, then a cut, then an
// unfinished download; with none of them, the first image.
const Compared& Closest(const Compared (&compared)[2]) {
    for (FlashContent content : {FlashContent::Image, FlashContent::Cut, FlashContent::Unfinished})
        for (const Compared& c : compared)
            if (c.content == content) return c;
    return compared[0];
}

}  // namespace

// A download writes the code three quarters of the way through, so a code
// that says current may sit in a flash whose download was cut after it.
// The whole flash is read and held against both images as this camera
// would get them; no register is written and nothing waits, so a camera
// that needs nothing is only read. A download of ours that did not finish
// is mended; another release's firmware is left alone, and the log says so.
CUpdateEngine::Firmware CUpdateEngine::FlashAgainstImages(CheckReport* r, std::string& log) {
    std::vector<uint8_t> flash(kFirmwareImageSize);
    const Firmware read = ReadWholeFlash(flash.data(), r, log);
    if (read != Firmware::Stale) return read;
    const uint32_t page = FlashTypeRowFor(r->flashTypeIndex).programPage;
    Compared compared[] = {{kImageV0309, FlashContent::Other, 0}, {kImageV0308, FlashContent::Other, 0}};
    for (Compared& c : compared) {
        std::vector<uint8_t> image;
        if (!PatchedImage(c.id, r, &image, log)) return Firmware::Unknown;
        c.content = CompareFlashWithImage(flash.data(), image.data(), kFirmwareImageSize, page, &c.at);
    }
    r->flashCompared = true;
    const Compared& shown = Closest(compared);
    r->flashContent = shown.content;
    r->flashDiffersAt = shown.at;
    if (shown.content != FlashContent::Other) return OursInFlash(shown.id, shown.content, r, log);
    AppendLine(log, Formatted("Flash differs from image %d at %06X and from image %d at %06X.\r\n",
                              compared[0].id, unsigned(compared[0].at), compared[1].id, unsigned(compared[1].at)));
    r->reason = Formatted("the flash differs from this program's images at 0x%06X", unsigned(shown.at));
    return Firmware::Current;
}

// The flash holds one of this program's images, whole or as a download of
// it left it: current, or to be written again.
CUpdateEngine::Firmware CUpdateEngine::OursInFlash(int id, FlashContent content, CheckReport* r, std::string& log) {
    const unsigned at = unsigned(r->flashDiffersAt);
    const char* version = VersionOf(id);
    if (content == FlashContent::Image) {
        r->heldImageId = id;
        r->heldVersion = version;
        r->reason = std::string("the flash holds this program's image ") + version;
        return Firmware::Current;
    }
    if (content == FlashContent::Cut) {
        AppendLine(log, Formatted("The last download stopped before %06X.\r\n", at));
        r->reason = Formatted("the last download (%s) stopped before 0x%06X", version, at);
    } else {
        AppendLine(log, Formatted("The last download left the flash unfinished at %06X.\r\n", at));
        r->reason = Formatted("the last download (%s) left the flash unfinished at 0x%06X", version, at);
    }
    return Firmware::Stale;
}

// The whole flash for the compare, held to what the compare may spend
// however the camera's read length changes from block to block. Stale:
// read, the compare goes on; Current: not compared, and said; Unknown:
// it could not be read.
CUpdateEngine::Firmware CUpdateEngine::ReadWholeFlash(uint8_t* flash, CheckReport* r, std::string& log) {
    const HRESULT hr = device_->ReadFlashBlocks(flash, BlockOf(kFirmwareImageSize), kMostCompareRequests);
    if (hr == FLASH_E_REQUEST_BOUND) {
        AppendLine(log, Formatted("Flash not compared: more than %u requests at the lengths this camera reads.\r\n",
                                  unsigned(kMostCompareRequests)));
        r->reason = Formatted("its code suits the flash; the flash was not compared (more than %u requests at the "
                              "lengths this camera reads)",
                              unsigned(kMostCompareRequests));
        r->compareSkipped = true;
        return Firmware::Current;
    }
    if (hr >= 0) return Firmware::Stale;
    AppendLine(log, "Flash read for the compare fail.\r\n");
    r->reason = "the flash could not be read for the compare";
    r->failure = Failure::FlashUnreadable;
    return Firmware::Unknown;
}

// The image register 0x2045 selects: asked only on the road that writes,
// since asking writes a register and waits. An image missing ends the
// check as failed, as it would have on the check's own road.
bool CUpdateEngine::ChooseImage(CheckReport* r, std::string& log) {
    if (!device_ || r->verdict != CheckVerdict::Update) return false;
    r->imageChoice = device_->ReadImageChoice();
    r->imageId = r->imageChoice ? kImageV0308 : kImageV0309;
    r->imageVersion = VersionOf(r->imageId);
    if (!LoadProgramImage(r->imageId, &image_, r, log)) {
        r->verdict = CheckVerdict::Failed;
        return false;
    }
    r->imageSize = uint32_t(image_.size());
    r->imageFit = ExamineImage(image_.data(), int32_t(image_.size()), log);
    return true;
}

// The release the camera says it runs: the bcdDevice the system read from
// it against the one in each image's device descriptor. The camera hears
// nothing for it.
void CUpdateEngine::NameRelease(CheckReport* r) {
    if (!r->camera.usb) return;
    r->releaseKnown = true;
    for (int id : {kImageV0308, kImageV0309}) {
        std::unique_ptr<uint8_t[]> bytes;
        int32_t size = 0;
        if (!loadImage(id, &bytes, &size) || !bytes || size < int32_t(kBcdDeviceOffset + 2)) continue;
        if (Le16(bytes.get() + kBcdDeviceOffset) != r->camera.usb->revision) continue;
        r->releaseImageId = id;
        r->releaseVersion = VersionOf(id);
    }
}

CheckReport CUpdateEngine::Check(std::string& log) { return Check(log, GetCameraSource()); }

CheckReport CUpdateEngine::Check(std::string& log, CameraSource* source) {
    source_ = source;
    CheckReport r = CheckCamera(log);
    pulseAtLetGo_ = !r.updateNeeded;
    return r;
}

CheckReport CUpdateEngine::CheckCamera(std::string& log) {
    CheckReport r;
    readBuffer_.reset(new uint8_t[kFlashBlockBytes]);
    ReleaseDevice();
    device_ = new CCamDevice;
    image_.clear();

    char name[kCameraNameBytes] = {};
    if (!device_->OpenCamera(log, name, source_)) {
        r.reason = "no camera of this family could be opened";
        return r;
    }
    r.camera = device_->camera;
    r.vouchedBy = VouchFor(&r, log);
    if (r.vouchedBy == Vouch::Nothing) {
        r.verdict = CheckVerdict::NotOurs;
        r.reason = "nothing shows that the camera is ours";
        return r;
    }
    NameRelease(&r);

    r.updateNeeded = true;
    r.verdict = CheckVerdict::Failed;
    switch (FirmwareState(&r, log)) {
    case Firmware::Unknown: return r;
    case Firmware::Current:
        r.verdict = CheckVerdict::Current;
        r.updateNeeded = false;
        return r;
    case Firmware::Stale: break;
    }
    r.verdict = CheckVerdict::Update;
    return r;
}
