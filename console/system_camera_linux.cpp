#include "console/camera_path_source.h"
#include "console/node_claim.h"
#include "console/system_camera.h"
#include "discovery/uvc_camera_source.h"

struct SystemCamera::Parts {
    Parts(std::string* log, const std::string& onlyNode) : uvc(log, onlyNode), paths(&uvc) {}
    UvcCameraSource uvc;
    CameraPathSource paths;
    NodeClaim claim;
    std::string heldElsewhere;
    CameraSource* previous = nullptr;
};

SystemCamera::SystemCamera(std::string* log, const std::string& onlyNode)
    : parts_(new Parts(log, onlyNode)) {
    Parts* parts = parts_.get();
    parts->paths.admit = [parts](const std::string& node) {
        if (parts->claim.Lock(node)) return true;
        parts->heldElsewhere = node;
        return false;
    };
    parts_->previous = SetCameraSource(&parts_->paths);
}

SystemCamera::~SystemCamera() { SetCameraSource(parts_->previous); }

std::string SystemCamera::Path() const { return parts_->paths.LastPath(); }

bool SystemCamera::PermissionDenied() const { return parts_->uvc.PermissionDenied(); }

std::string SystemCamera::HeldByAnotherRun() const { return parts_->heldElsewhere; }

bool SystemCamera::TakeCaptureQueue(std::string* log) {
    return parts_->claim.TakeQueue(Path(), log) != QueueClaim::InUse;
}

void SystemCamera::ReleaseCaptureQueue() { parts_->claim.ReleaseQueue(); }
