// What shows a camera is ours, asked at the check and again at the reopen.
#include "firmware/flash_layout.h"
#include "platform/byte_order.h"
#include "platform/camera_identity.h"
#include "update/update_engine.h"

// The system's hardware IDs, the image sensor, or failing both the IDs in
// the camera's own flash vouch for it; only the flash road forces the
// update whatever the flash holds.
Vouch CUpdateEngine::VouchFor(CheckReport* r, std::string& log) {
    char vendorDigits[4], productDigits[4];
    if (device_->FindHardwareId(vendorDigits, productDigits)) return Vouch::HardwareId;
    r->sensorBringUpResult = device_->SensorBringUp();
    if (r->sensorBringUpResult == 1) r->sensorIdResult = device_->ProbeSensorId();
    if (r->sensorBringUpResult == 1 && r->sensorIdResult == 1) return Vouch::Sensor;

    if (!ReadBlock(BlockOf(kVendorIdOffset), InBlock(kProductIdOffset) + 2, log)) return Vouch::Nothing;
    if (Le16(&readBuffer_[InBlock(kProductIdOffset)]) != kCameraProductId ||
        Le16(&readBuffer_[InBlock(kVendorIdOffset)]) != kCameraVendorId)
        return Vouch::Nothing;
    r->forceUpdate = 1;
    return Vouch::FlashIds;
}

// What vouched for the camera at the check, asked again.
bool CUpdateEngine::StillVouches(Vouch vouch, std::string& log) {
    char vendorDigits[4], productDigits[4];
    switch (vouch) {
    case Vouch::HardwareId: return device_->FindHardwareId(vendorDigits, productDigits) == 1;
    case Vouch::Sensor: return device_->SensorBringUp() == 1 && device_->ProbeSensorId() == 1;
    case Vouch::FlashIds:
        if (!readBuffer_) readBuffer_.reset(new uint8_t[kFlashBlockBytes]);
        return ReadBlock(BlockOf(kVendorIdOffset), InBlock(kProductIdOffset) + 2, log) &&
               Le16(&readBuffer_[InBlock(kProductIdOffset)]) == kCameraProductId &&
               Le16(&readBuffer_[InBlock(kVendorIdOffset)]) == kCameraVendorId;
    case Vouch::Nothing: break;
    }
    return false;
}
