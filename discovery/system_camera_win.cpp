#include "discovery/camera_choice.h"
#include "discovery/system_camera.h"

struct SystemCamera::Parts {
    explicit Parts(const std::string& device) : all(GetCameraSource()), chosen(all, ParseCameraChoice(device)) {}
    CameraSource* all;
    ChosenCameraSource chosen;
    CameraSource* previous = nullptr;
};

SystemCamera::SystemCamera(std::string*, const std::string& device) : parts_(new Parts(device)) {
    parts_->previous = SetCameraSource(&parts_->chosen);
}

SystemCamera::~SystemCamera() {
    SetCameraSource(parts_->previous);
}

bool SystemCamera::PermissionDenied() const { return false; }

CameraSource* SystemCamera::AllCameras() const { return parts_->all; }

// The window's mutex already keeps two updates apart; a DirectShow camera
// has no capture queue to claim.
std::string SystemCamera::HeldByAnotherRun() const { return std::string(); }

bool SystemCamera::TakeCaptureQueue(const std::string&, std::string*) { return true; }

void SystemCamera::ReleaseCaptureQueue() {}

std::vector<std::string> SystemCamera::Notes() const { return {}; }

bool SystemCamera::MaySuspend() const { return false; }
