// The camera source of Windows: the video capture devices DirectShow
// lists, and the hardware IDs SetupAPI reports for the imaging class.
#pragma once

#include "discovery/camera_source.h"

#include <strmif.h>

// The port of the imaging device with this instance ID, as text; "" when
// the system gives none.
std::string PortOf(const std::string& instance);

class DirectShowSource : public CameraSource {
public:
    HRESULT Begin() override;
    HRESULT Next(CaptureDevice* device) override;
    void StoreFriendlyName(char* name) override;
    void End() override;
    bool HardwareIds(const HardwareIdVisit& visit) override;
    bool OwnHardwareIds(const CameraIdentity& camera, const HardwareIdVisit& visit) override;

private:
    ComPtr<IEnumMoniker> classEnum_;
    ComPtr<IMoniker> moniker_;  // the device Next gave last
};
