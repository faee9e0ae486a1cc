// The one walk over the capture devices of whatever camera source is in
// place: the same acceptance, channel handling and log texts on every
// system.
#include "chip/cam_device.h"
#include "discovery/camera_source.h"
#include "discovery/chip_id_probe.h"
#include "discovery/hardware_id_match.h"
#include "link/xu_channel.h"

namespace {

CameraSource* source = nullptr;
bool sourceChosen = false;

// The walk's hold on the source ends with the call, whichever way it ends.
struct Walk {
    explicit Walk(CameraSource* s) : source(s) {}
    ~Walk() {
        if (source) source->End();
    }
    CameraSource* source;
};

}  // namespace

CameraSource* SetCameraSource(CameraSource* next) {
    CameraSource* previous = GetCameraSource();
    source = next;
    sourceChosen = true;
    return previous;
}

CameraSource* GetCameraSource() {
    if (!sourceChosen) {
        source = SystemCameraSource();
        sourceChosen = true;
    }
    return source;
}

int32_t CCamDevice::OpenCamera(std::string& log, char* name) {
    return OpenCamera(log, name, GetCameraSource());
}

int32_t CCamDevice::OpenCamera(std::string& log, char* name, CameraSource* through) {
    openedThrough_ = through;
    opened_ = true;
    // On every road that accepts no camera the channel is let go, so that a
    // camera passed over hears nothing more from this program (the close's
    // download-enable pulse among it).
    Walk walk(through);
    const HRESULT begun = walk.source ? walk.source->Begin() : S_FALSE;
    if (begun != S_OK) {
        CloseChannel();
        log += begun == DISCOVERY_E_NO_ENUMERATOR ? "CoCreateInstance SystemDeviceEnum fail.\r\n"
                                                  : "NO Camera hardware.\r\n";
        return 0;
    }
    if (!pExt) pExt = new CXuChannel;

    std::string model;
    HRESULT next;
    for (CaptureDevice device; (next = walk.source->Next(&device)) == S_OK; device = {}) {
        model = "7100R";
        uint8_t id = 0;
        if (!AttachAndReadChipId(pExt, device, &id)) continue;
        if (IsSupportedChip(id)) {
            if (name) walk.source->StoreFriendlyName(name);
            camera = device;
            camera.chipId = id;
            if (name) camera.name = name;
            log += CameraPathText(pExt->mode);
            return 1;
        }
        pExt->Detach();
    }
    CloseChannel();
    if (FAILED(next)) {
        log += "BindToObject IID_IBaseFilter fail.\r\n";
        return 0;
    }
    log += "NO Tarvex " + model + " Camera plugged in!\r\n";
    return 0;
}

int32_t CCamDevice::FindHardwareId(char* vendor, char* product) {
    CameraSource* from = opened_ ? openedThrough_ : GetCameraSource();
    bool found = false;
    if (from)
        from->OwnHardwareIds(camera, [&](const ImagingDevice& device) {
            const std::string& ids = device.hardwareIds;
            found = device.usb ? UsbIdentityMatches(*device.usb, vendor, product)
                               : HardwareIdMatches(ids.data(), ids.size(), vendor, product);
            return found;
        });
    return found ? 1 : 0;
}
