#include "discovery/admitting_source.h"
#include "discovery/camera_choice.h"
#include "discovery/system_camera.h"
#include "discovery/uvc_camera_source.h"
#include "platform/node_claim.h"

// A node path goes to the uvcvideo source itself, which knows the node's
// other names; a number is counted off its walk. A node another run holds
// is passed over before it hears a request.
struct SystemCamera::Parts {
    Parts(std::string* log, const CameraChoice& choice)
        : all(nullptr), uvc(log, choice.path), chosen(&uvc, {choice.number, ""}), admitting(&chosen),
          chosenSomething(choice.number != 0 || !choice.path.empty()) {}
    UvcCameraSource all;
    UvcCameraSource uvc;
    ChosenCameraSource chosen;
    AdmittingSource admitting;
    bool chosenSomething;
    NodeClaim claim;
    std::string heldElsewhere;
    CameraSource* previous = nullptr;
};

SystemCamera::SystemCamera(std::string* log, const std::string& device)
    : parts_(new Parts(log, ParseCameraChoice(device))) {
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

CameraSource* SystemCamera::AllCameras() const { return &parts_->all; }

bool SystemCamera::ChoiceNamesACamera() const {
    return !parts_->chosenSomething || !FamilyCameras(&parts_->admitting).empty();
}

std::string SystemCamera::HeldByAnotherRun() const { return parts_->heldElsewhere; }

bool SystemCamera::TakeCaptureQueue(const std::string& node, std::string* log) {
    return parts_->claim.TakeQueue(node, log) != QueueClaim::InUse;
}

void SystemCamera::ReleaseCaptureQueue() { parts_->claim.ReleaseQueue(); }

std::vector<std::string> SystemCamera::Notes() const { return parts_->uvc.Notes(); }

bool SystemCamera::MaySuspend() const { return parts_->uvc.MaySuspend(); }
