// Camera discovery over a CameraSource, for builds without DirectShow: the
// same walk, acceptance, channel handling and log texts as on Windows.
#include <cstring>

#include "chip/cam_device.h"
#include "link/camera_source.h"
#include "link/chip_id_probe.h"
#include "link/hardware_id_match.h"
#include "link/xu_channel.h"

namespace {

constexpr size_t kNameBufferBytes = 80;

CameraSource* source = nullptr;

// Stops before a byte that would not leave room for the terminator; a name
// cut short is never cut inside a UTF-8 sequence.
void StoreName(const std::string& friendlyName, char* name) {
    if (!name) return;
    size_t used = friendlyName.size() < kNameBufferBytes - 1 ? friendlyName.size()
                                                              : kNameBufferBytes - 1;
    if (used < friendlyName.size())
        while (used > 0 && (uint8_t(friendlyName[used]) & 0xC0) == 0x80) --used;
    std::memcpy(name, friendlyName.data(), used);
    name[used] = '\0';
}

void ReleaseAll(std::vector<CaptureDevice>& devices, size_t from) {
    for (size_t i = from; i < devices.size(); ++i) {
        if (devices[i].driver) devices[i].driver->Release();
        if (devices[i].control) devices[i].control->Release();
    }
}

}  // namespace

CameraSource* SetCameraSource(CameraSource* next) {
    CameraSource* previous = source;
    source = next;
    return previous;
}

CameraSource* GetCameraSource() { return source; }

int32_t CCamDevice::OpenCamera(std::string& log, char* name) {
    std::vector<CaptureDevice> devices;
    if (!source || source->Devices(&devices) != S_OK) {
        ReleaseAll(devices, 0);
        log += "NO Camera hardware.\r\n";
        return 0;
    }
    if (!pExt) pExt = new CXuChannel;

    std::string model;
    for (size_t i = 0; i < devices.size(); ++i) {
        model = "7100R";
        CaptureDevice& device = devices[i];
        // The channel takes the interface it attaches; the other goes back.
        IKsControl* control = device.driver ? nullptr : device.control;
        if (device.driver && device.control) device.control->Release();
        uint8_t chipId = 0;
        if (AttachAndReadChipId(pExt, device.driver, control, &chipId) && IsSupportedChip(chipId)) {
            StoreName(device.friendlyName, name);
            pExt->chipFamily = ChipFamilyOf(chipId);
            log += CameraPathText(pExt->mode);
            ReleaseAll(devices, i + 1);
            return 1;
        }
    }
    delete pExt;
    pExt = nullptr;
    log += "NO Tarvex " + model + " Camera plugged in!\r\n";
    return 0;
}

int32_t CCamDevice::FindHardwareId(char* vendor, char* product) {
    std::vector<std::string> ids;
    if (!source || !source->HardwareIds(&ids)) return 0;
    for (const std::string& id : ids) {
        bool examined = false;
        if (HardwareIdMatches(id.data(), id.size(), vendor, product, &examined)) return 1;
    }
    return 0;
}
