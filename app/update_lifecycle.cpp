#include "app/update_core.h"

CUpdateCore::CUpdateCore() = default;

// The window is going: the camera is let go without the enable pulse.
CUpdateCore::~CUpdateCore() { ReleaseDevice(); }

void CUpdateCore::ReleaseDevice() {
    if (!device) return;
    CCamDevice::CloseChannel();
    delete device;
    device = nullptr;
}

void CUpdateCore::StartUp(bool powerKnown, uint8_t acLineStatus) {
    if (powerKnown && acLineStatus == 1) {
        statusText = kCheckingText;
        ShowStatus();
        StartTimer(kCheckTimer, kCheckDelayMs);
        return;
    }
    statusText = kNoPowerText;
    ShowStatus();
}

bool CUpdateCore::CloseRequested() {
    if (busy == 1) return false;
    // Without a decision to update, the pulse tells the camera to carry on.
    if (updateNeeded == 0) CCamDevice::PulseDownloadEnable();
    ReleaseDevice();
    return true;
}
