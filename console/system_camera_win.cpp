#include <objbase.h>

#include "console/system_camera.h"

struct SystemCamera::Parts {};

// Windows has one source, its own, in place from the start; there is no
// node to choose.
SystemCamera::SystemCamera(std::string*, const std::string&) {
    // DirectShow's enumeration needs COM on the thread that walks.
    CoInitialize(nullptr);
}

SystemCamera::~SystemCamera() { CoUninitialize(); }

bool SystemCamera::PermissionDenied() const { return false; }

// The window's mutex already keeps two updates apart; a DirectShow camera
// has no capture queue to claim.
std::string SystemCamera::HeldByAnotherRun() const { return std::string(); }

bool SystemCamera::TakeCaptureQueue(const std::string&, std::string*) { return true; }

void SystemCamera::ReleaseCaptureQueue() {}
std::vector<std::string> SystemCamera::Notes() const { return {}; }

bool SystemCamera::MaySuspend() const { return false; }
