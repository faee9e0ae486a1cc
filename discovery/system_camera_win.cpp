#include "discovery/camera_choice.h"
#include "discovery/system_camera.h"

struct SystemCamera::Parts {
    explicit Parts(const CameraChoice& choice)
        : all(GetCameraSource()), chosen(all, choice), chosenSomething(choice.number != 0 || !choice.path.empty()) {}
    CameraSource* all;
    ChosenCameraSource chosen;
    bool chosenSomething;
    CameraSource* previous = nullptr;
};

SystemCamera::SystemCamera(std::string*, const std::string& device) : parts_(new Parts(ParseCameraChoice(device))) {
    parts_->previous = SetCameraSource(&parts_->chosen);
}

SystemCamera::~SystemCamera() {
    SetCameraSource(parts_->previous);
}

bool SystemCamera::PermissionDenied() const { return false; }

CameraSource* SystemCamera::AllCameras() const { return parts_->all; }

bool SystemCamera::ChoiceNamesACamera() const {
    return !parts_->chosenSomething || !FamilyCameras(&parts_->chosen).empty();
}

// The window's mutex already keeps two updates apart; a DirectShow camera
// has no capture queue to claim.
std::string SystemCamera::HeldByAnotherRun() const { return std::string(); }

bool SystemCamera::TakeCaptureQueue(const std::string&, std::string*) { return true; }

void SystemCamera::ReleaseCaptureQueue() {}

std::vector<std::string> SystemCamera::Notes() const { return {}; }

bool SystemCamera::MaySuspend() const { return false; }
