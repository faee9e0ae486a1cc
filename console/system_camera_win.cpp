#include <objbase.h>

#include "console/camera_path_source.h"
#include "console/system_camera.h"

struct SystemCamera::Parts {
    Parts() : paths(GetCameraSource()) {}
    CameraPathSource paths;
    CameraSource* previous = nullptr;
};

// Windows has one source, its own; there is no node to choose.
SystemCamera::SystemCamera(std::string*, const std::string&) : parts_(new Parts) {
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

std::vector<std::string> SystemCamera::Notes() const { return {}; }

bool SystemCamera::MaySuspend() const { return false; }
