#include "console/camera_choice.h"
#include "console/camera_path_source.h"
#include "console/system_camera.h"
#include "discovery/uvc_camera_source.h"

// A node path goes to the uvcvideo source itself, which knows the node's
// other names; a number is counted off its walk.
struct SystemCamera::Parts {
    Parts(std::string* log, const CameraChoice& choice)
        : all(nullptr), uvc(log, choice.path), chosen(&uvc, {choice.number, ""}), paths(&chosen) {}
    UvcCameraSource all;
    UvcCameraSource uvc;
    ChosenCameraSource chosen;
    CameraPathSource paths;
    CameraSource* previous = nullptr;
};

SystemCamera::SystemCamera(std::string* log, const std::string& device)
    : parts_(new Parts(log, ParseCameraChoice(device))) {
    parts_->previous = SetCameraSource(&parts_->paths);
}

SystemCamera::~SystemCamera() { SetCameraSource(parts_->previous); }

std::string SystemCamera::Path() const { return parts_->paths.LastPath(); }

bool SystemCamera::PermissionDenied() const { return parts_->uvc.PermissionDenied(); }

CameraSource* SystemCamera::AllCameras() const { return &parts_->all; }
