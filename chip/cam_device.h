// The camera device object: every request to the camera's processor goes
// through it, and through the process-wide channel pExt beneath it.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

class CCamDevice {
public:
    // Clears pExt; whoever replaces a device object closes the old one first.
    CCamDevice();

    // Register primitives: the address request, then the value request.
    // Each returns the value request's result; a failed read stores 0.
    HRESULT WriteReg(uint16_t address, uint8_t value);
    HRESULT ReadReg(uint16_t address, uint8_t* value);
    HRESULT WriteWideReg(uint16_t address, uint16_t value);
    HRESULT ReadWideReg(uint16_t address, uint16_t* value);

    // Mode 0 ANDs the register with mask, mode 1 ORs it; any other mode
    // writes nothing and returns 1. A failed read or write returns its result.
    HRESULT ModifyReg(uint16_t address, uint8_t mask, int32_t mode);

    // Powers up the image sensor; 1 when the whole sequence ran, else 0.
    int32_t SensorBringUp();
    // 1 when the image sensor reports the expected identity, else 0.
    int32_t ProbeSensorId();

    // Download enable 1 then 0; 1 when the closing write succeeded, 0 when
    // it failed or there is no channel (then nothing is sent).
    int32_t PulseDownloadEnable();
    // Deletes the channel, if any, and clears pExt.
    void CloseChannel();

    int32_t targetIndex = 1;
    uint8_t* targetResults = nullptr;
};
