#include "console/camera_path_source.h"
#include "console/system_camera.h"
#include "discovery/uvc_camera_source.h"

struct SystemCamera::Parts {
    Parts(std::string* log, const std::string& onlyNode) : uvc(log, onlyNode), paths(&uvc) {}
    UvcCameraSource uvc;
    CameraPathSource paths;
    CameraSource* previous = nullptr;
};

SystemCamera::SystemCamera(std::string* log, const std::string& onlyNode)
    : parts_(new Parts(log, onlyNode)) {
    parts_->previous = SetCameraSource(&parts_->paths);
}

SystemCamera::~SystemCamera() { SetCameraSource(parts_->previous); }

std::string SystemCamera::Path() const { return parts_->paths.LastPath(); }

bool SystemCamera::PermissionDenied() const { return parts_->uvc.PermissionDenied(); }

std::vector<std::string> SystemCamera::Notes() const { return parts_->uvc.Notes(); }

bool SystemCamera::MaySuspend() const { return parts_->uvc.MaySuspend(); }
