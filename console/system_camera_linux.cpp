#include "console/system_camera.h"
#include "discovery/uvc_camera_source.h"

struct SystemCamera::Parts {
    Parts(std::string* log, const std::string& onlyNode) : uvc(log, onlyNode) {}
    UvcCameraSource uvc;
    CameraSource* previous = nullptr;
};

SystemCamera::SystemCamera(std::string* log, const std::string& onlyNode)
    : parts_(new Parts(log, onlyNode)) {
    parts_->previous = SetCameraSource(&parts_->uvc);
}

SystemCamera::~SystemCamera() { SetCameraSource(parts_->previous); }

bool SystemCamera::PermissionDenied() const { return parts_->uvc.PermissionDenied(); }
