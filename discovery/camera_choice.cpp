#include "discovery/camera_choice.h"

#include <cstdlib>

#include "discovery/chip_id_probe.h"

std::vector<AttachedCamera> FamilyCameras(CameraSource* source) {
    std::vector<AttachedCamera> cameras;
    if (!source || source->Begin() != S_OK) {
        if (source) source->End();
        return cameras;
    }
    int place = 0;
    for (CaptureDevice device; source->Next(&device) == S_OK; device = {}) {
        ++place;
        CXuChannel channel;
        uint8_t chipId = 0;
        if (!AttachAndReadChipId(&channel, device, &chipId) || !IsSupportedChip(chipId)) continue;
        char name[kCameraNameBytes] = "";
        source->StoreFriendlyName(name);
        CameraIdentity camera = device;
        camera.name = name;
        camera.chipId = chipId;
        cameras.push_back({place, camera});
    }
    source->End();
    return cameras;
}

CameraChoice ParseCameraChoice(const std::string& device) {
    CameraChoice choice;
    char* end = nullptr;
    const long number = std::strtol(device.c_str(), &end, 10);
    if (!device.empty() && *end == '\0' && number > 0 && number < 1000)
        choice.number = int(number);
    else
        choice.path = device;
    return choice;
}

HRESULT ChosenCameraSource::Next(CaptureDevice* device) {
    if (choice_.number == 0 && choice_.path.empty()) return inner_->Next(device);
    for (;;) {
        const HRESULT hr = inner_->Next(device);
        if (hr != S_OK) return hr;
        ++place_;
        if (place_ == choice_.number || (!choice_.path.empty() && device->path == choice_.path))
            return S_OK;
        *device = {};
    }
}
