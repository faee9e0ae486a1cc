#include <objbase.h>

#include "console/camera_choice.h"
#include "console/camera_path_source.h"
#include "console/system_camera.h"

struct SystemCamera::Parts {
    explicit Parts(const std::string& device)
        : all(GetCameraSource()), chosen(all, ParseCameraChoice(device)), paths(&chosen) {}
    CameraSource* all;
    ChosenCameraSource chosen;
    CameraPathSource paths;
    CameraSource* previous = nullptr;
};

SystemCamera::SystemCamera(std::string*, const std::string& device) : parts_(new Parts(device)) {
    // DirectShow's enumeration needs COM on the thread that walks.
    CoInitialize(nullptr);
    parts_->previous = SetCameraSource(&parts_->paths);
}

SystemCamera::~SystemCamera() {
    SetCameraSource(parts_->previous);
    CoUninitialize();
}

std::string SystemCamera::Path() const { return parts_->paths.LastPath(); }

bool SystemCamera::PermissionDenied() const { return false; }

CameraSource* SystemCamera::AllCameras() const { return parts_->all; }
