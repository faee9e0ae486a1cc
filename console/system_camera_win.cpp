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
