#include "console/admitting_source.h"
#include "console/node_claim.h"
#include "console/system_camera.h"
#include "discovery/uvc_camera_source.h"

struct SystemCamera::Parts {
    Parts(std::string* log, const std::string& onlyNode) : uvc(log, onlyNode), admitting(&uvc) {}
    UvcCameraSource uvc;
    AdmittingSource admitting;
    NodeClaim claim;
    std::string heldElsewhere;
    CameraSource* previous = nullptr;
};

SystemCamera::SystemCamera(std::string* log, const std::string& onlyNode)
    : parts_(new Parts(log, onlyNode)) {
    Parts* parts = parts_.get();
    parts->admitting.admit = [parts](const std::string& node) {
        if (parts->claim.Lock(node)) return true;
        parts->heldElsewhere = node;
        return false;
    };
    parts_->previous = SetCameraSource(&parts_->admitting);
}

SystemCamera::~SystemCamera() { SetCameraSource(parts_->previous); }

bool SystemCamera::PermissionDenied() const { return parts_->uvc.PermissionDenied(); }

std::string SystemCamera::HeldByAnotherRun() const { return parts_->heldElsewhere; }

bool SystemCamera::TakeCaptureQueue(const std::string& node, std::string* log) {
    return parts_->claim.TakeQueue(node, log) != QueueClaim::InUse;
}

void SystemCamera::ReleaseCaptureQueue() { parts_->claim.ReleaseQueue(); }

std::vector<std::string> SystemCamera::Notes() const { return parts_->uvc.Notes(); }

bool SystemCamera::MaySuspend() const { return parts_->uvc.MaySuspend(); }
