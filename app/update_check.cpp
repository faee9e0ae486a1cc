#include <cstring>

#include "app/update_core.h"
#include "chip/register_map.h"
#include "firmware/firmware_image.h"
#include "platform/clock.h"

namespace {

// The camera's USB identity, as the firmware keeps it in flash block 8.
constexpr int32_t kIdsBlock = 8;
constexpr size_t kVendorOffset = 8;
constexpr size_t kProductOffset = 10;
constexpr uint16_t kVendorId = 0x4271;
constexpr uint16_t kProductId = 0x03D5;

// Block 12 holds the FlashTypeCode that the last download wrote.
constexpr int32_t kCodeBlock = 12;
constexpr size_t kCodeOffset = 6;

// The FlashTypeCodes the check knows, by FlashType.
constexpr int32_t kCheckedType4 = 4;
constexpr uint8_t kCodeOfType4 = 0x06;
constexpr int32_t kCheckedType2 = 2;
constexpr uint8_t kCodeOfType2 = 0x04;

// The processor needs this long after 0x20BA changes before 0x2045 is read.
constexpr uint32_t kImageSelectSettleMs = 2000;
constexpr uint8_t kImageSelectBit = 0x04;
constexpr uint8_t kPreDownloadMask = 0xFC;

constexpr size_t kCameraNameBytes = 80;

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] + 256 * p[1]); }

}  // namespace

// A block read that fails, or that stops short of the bytes the check
// needs, leaves nothing to decide on: the buffer is set to the erased-flash
// pattern first, and the caller learns that the read failed.
bool CUpdateCore::ReadBlock(int32_t block, size_t needed) {
    std::memset(readBuffer.get(), 0xFF, kFlashBlockBytes);
    ULONG length = 0;
    return device->ReadFlashBlock(readBuffer.get(), block, &length) >= 0 && length >= needed;
}

void CUpdateCore::RunUpdateCheck() {
    StopTimer(kCheckTimer);
    readBuffer.reset(new uint8_t[kFlashBlockBytes]);
    ReleaseDevice();
    device = new CCamDevice;
    sensorBringUpResult = 0;
    sensorIdResult = 0;

    char name[kCameraNameBytes] = {};
    if (!device->OpenCamera(transferLog, name)) {
        updateNeeded = 0;
        statusText = "No need to update\r\n";
        ShowStatus();
        return;
    }

    char vendorDigits[4], productDigits[4];
    if (!device->FindHardwareId(vendorDigits, productDigits)) {
        sensorBringUpResult = device->SensorBringUp();
        if (sensorBringUpResult == 1) sensorIdResult = device->ProbeSensorId();
        if (sensorBringUpResult != 1 || sensorIdResult != 1) {
            // Neither the system nor the sensor vouches for the camera: its
            // flash must carry our identity for it to be updated.
            const bool read = ReadBlock(kIdsBlock, kProductOffset + 2);
            if (!read || Le16(&readBuffer[kProductOffset]) != kProductId ||
                Le16(&readBuffer[kVendorOffset]) != kVendorId) {
                if (!read) transferLog += "ReadFlashBlock 8 fail.\r\n";
                updateNeeded = 0;
                statusText = "No need to update!!!\r\n";
                ShowStatus();
                return;
            }
            forceUpdate = 1;
        }
    }

    updateNeeded = 1;
    flashType = device->IdentifyFlash();
    flashTypeIndex = uint8_t(flashType >= 0 && flashType < kFlashTypeCount ? flashType : 0);

    // A code that could not be read decides nothing: the flash is not
    // rewritten on the strength of a read that failed.
    const bool codeRead = ReadBlock(kCodeBlock, kCodeOffset + 1);
    if (!codeRead) transferLog += "ReadFlashBlock 12 fail.\r\n";
    const uint8_t code = readBuffer[kCodeOffset];
    const bool stale = codeRead && ((flashType == kCheckedType4 && code != kCodeOfType4) ||
                                    (flashType == kCheckedType2 && code != kCodeOfType2));
    if (!stale && forceUpdate != 1) {
        updateNeeded = 0;
        statusText = "No need to update!\r\n";
        ShowStatus();
        return;
    }

    updateNeeded = 1;
    device->ModifyReg(REG_PRE_DOWNLOAD, kPreDownloadMask, 0);
    WaitMs(kImageSelectSettleMs);
    uint8_t select = 0;
    device->ReadReg(REG_IMAGE_SELECT, &select);
    imageChoice = (select & kImageSelectBit) ? 1 : 0;

    const int id = imageChoice ? kImageV0308 : kImageV0309;
    imageBuffer.reset();
    imageSize = 0;
    if (!LoadImage(id, &imageBuffer, &imageSize)) {
        // Both images are part of the program; one missing is a broken build.
        transferLog += "Firmware image " + std::to_string(id) + " missing.\r\n";
        statusText += "Update fail,\r\nPlease re-start this program.\r\n";
        ShowStatus();
        return;
    }
    if (updateNeeded == 1) StartDownload();
}

bool CUpdateCore::LoadImage(int id, std::unique_ptr<uint8_t[]>* image, int32_t* size) {
    return LoadFirmwareImage(id, image, size) == FirmwareStatus::Ok;
}
