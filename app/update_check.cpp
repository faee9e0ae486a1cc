#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/update_core.h"
#include "chip/flash_type_table.h"
#include "discovery/camera_source.h"
#include "firmware/firmware_image.h"
#include "platform/byte_order.h"
#include "platform/camera_identity.h"

// A block read that fails, or that stops short of the bytes the check
// needs, leaves nothing to decide on: the buffer is set to the erased-flash
// pattern first, and the failure goes to the log.
bool CUpdateCore::ReadBlock(int32_t block, size_t needed) {
    std::memset(readBuffer.get(), 0xFF, kFlashBlockBytes);
    ULONG length = 0;
    if (device->ReadFlashBlock(readBuffer.get(), block, &length) >= 0 && length >= needed)
        return true;
    transferLog += "ReadFlashBlock " + std::to_string(block) + " fail.\r\n";
    return false;
}

// The system's hardware IDs, the image sensor, or failing both the IDs in
// the camera's own flash vouch for it; only the flash road forces the
// update whatever the flash holds.
bool CUpdateCore::IsOurCamera() {
    char vendorDigits[4], productDigits[4];
    if (device->FindHardwareId(vendorDigits, productDigits)) return true;
    sensorBringUpResult = device->SensorBringUp();
    if (sensorBringUpResult == 1) sensorIdResult = device->ProbeSensorId();
    if (sensorBringUpResult == 1 && sensorIdResult == 1) return true;

    if (!ReadBlock(BlockOf(kVendorIdOffset), InBlock(kProductIdOffset) + 2)) return false;
    if (Le16(&readBuffer[InBlock(kProductIdOffset)]) != kCameraProductId ||
        Le16(&readBuffer[InBlock(kVendorIdOffset)]) != kCameraVendorId)
        return false;
    forceUpdate = 1;
    return true;
}

// Stale when the code the last download left does not suit the fitted
// flash, for the parts whose code the check knows. Nothing is decided on
// an identification that could not finish or a code that could not be
// read: either may hide a flash that the wrong command table would ruin.
CUpdateCore::Firmware CUpdateCore::FirmwareState() {
    const char* stoppedAt = nullptr;
    flashType = device->IdentifyFlash(&stoppedAt);
    flashTypeIndex = uint8_t(flashType >= 0 && flashType < kFlashTypeCount ? flashType : 0);
    if (flashType == kFlashTypeUnidentified) {
        transferLog += std::string("IdentifyFlash gave up: ") + stoppedAt + ".\r\n";
        return Firmware::Unknown;
    }
    if (!ReadBlock(BlockOf(kFlashTypeCodeOffset), InBlock(kFlashTypeCodeOffset) + 1))
        return Firmware::Unknown;
    storedCode = readBuffer[InBlock(kFlashTypeCodeOffset)];
    const bool stale = flashType >= 0 && kFlashTypes[flashType].codeChecked &&
                       storedCode != kFlashTypes[flashType].code;
    return stale || forceUpdate == 1 ? Firmware::Stale : FlashAgainstImage();
}

// A download writes the code three quarters of the way through, so a code
// that says current may sit in a flash whose download was cut after it.
// The whole flash is read and held against the image this camera would
// get: a download of ours that did not finish is mended; another release's
// firmware is left alone, and the log says so.
CUpdateCore::Firmware CUpdateCore::FlashAgainstImage() {
    if (!ChooseImage()) return Firmware::Unknown;
    PatchFlashTypeByte(imageBuffer.get(), flashTypeIndex);
    std::vector<uint8_t> flash(kFirmwareImageSize);
    const HRESULT read = device->ReadFlashBlocks(flash.data(), BlockOf(kFirmwareImageSize));
    if (read < 0) {
        transferLog += "Flash read for the compare fail.\r\n";
        return Firmware::Unknown;
    }
    const uint32_t size = std::min<uint32_t>(uint32_t(imageSize), kFirmwareImageSize);
    flashContent = CompareFlashWithImage(flash.data(), imageBuffer.get(), size, &flashDiffersAt);
    flashCompared = true;
    char line[96];
    switch (flashContent) {
    case FlashContent::Image: return Firmware::Current;
    case FlashContent::Cut:
    case FlashContent::Unfinished:
        std::snprintf(line, sizeof line,
                      flashContent == FlashContent::Cut ? "The last download stopped before %06X.\r\n"
                                                        : "The last download left the flash unfinished at %06X.\r\n",
                      unsigned(flashDiffersAt));
        transferLog += line;
        return Firmware::Stale;
    case FlashContent::Other: break;
    }
    std::snprintf(line, sizeof line, "Flash differs from image %d at %06X.\r\n",
                  imageChoice ? kImageV0308 : kImageV0309, unsigned(flashDiffersAt));
    transferLog += line;
    return Firmware::Current;
}

// The image register 0x2045 selects, loaded once per check.
bool CUpdateCore::ChooseImage() {
    if (imageBuffer) return true;
    imageChoice = device->ReadImageChoice();
    const int id = imageChoice ? kImageV0308 : kImageV0309;
    imageSize = 0;
    if (LoadImage(id, &imageBuffer, &imageSize)) return true;
    // Both images are part of the program; one missing is a broken build.
    transferLog += "Firmware image " + std::to_string(id) + " missing.\r\n";
    return false;
}

CheckVerdict CUpdateCore::Stop(CheckVerdict verdict, const char* text) {
    updateNeeded = 0;
    statusText = text;
    ShowStatus();
    return verdict;
}

// The camera was ours and the check stopped on its way: updateNeeded stays
// as it was, so that the close sends the camera nothing more.
CheckVerdict CUpdateCore::Fail() {
    statusText += kUpdateFailText;
    ShowStatus();
    return CheckVerdict::Failed;
}

CheckVerdict CUpdateCore::CheckCamera() {
    readBuffer.reset(new uint8_t[kFlashBlockBytes]);
    ReleaseDevice();
    device = new CCamDevice;
    sensorBringUpResult = 0;
    sensorIdResult = 0;
    storedCode = -1;
    flashCompared = false;
    imageBuffer.reset();
    imageSize = 0;

    char name[kCameraNameBytes] = {};
    if (!device->OpenCamera(transferLog, name))
        return Stop(CheckVerdict::NoCamera, kNoCameraText);
    cameraName = name;
    cameraPath = device->cameraPath;
    chipId = device->chipId;
    if (!IsOurCamera()) return Stop(CheckVerdict::NotOurs, kNotOursText);

    updateNeeded = 1;
    switch (FirmwareState()) {
    case Firmware::Unknown: return Fail();
    case Firmware::Current:
        imageBuffer.reset();
        imageSize = 0;
        return Stop(CheckVerdict::Current, kCurrentText);
    case Firmware::Stale: break;
    }

    updateNeeded = 1;
    if (!ChooseImage()) return Fail();
    return CheckVerdict::Update;
}

void CUpdateCore::RunUpdateCheck() {
    StopTimer(kCheckTimer);
    if (CheckCamera() == CheckVerdict::Update && updateNeeded == 1) StartDownload();
}

bool CUpdateCore::LoadImage(int id, std::unique_ptr<uint8_t[]>* image, int32_t* size) {
    return LoadFirmwareImage(id, image, size) == FirmwareStatus::Ok;
}
