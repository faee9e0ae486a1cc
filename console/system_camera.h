// Puts the system's camera source in place for the program's life: the
// uvcvideo source on Linux, DirectShow on Windows (with COM for the main
// thread, as the window has it); only the camera --device chose, by its
// number in the walk or its path, when it chose one.
#pragma once

#include <memory>
#include <string>

#include "discovery/camera_source.h"

class SystemCamera {
public:
    // `log` is the update core's transfer log.
    SystemCamera(std::string* log, const std::string& device);
    ~SystemCamera();
    SystemCamera(const SystemCamera&) = delete;
    SystemCamera& operator=(const SystemCamera&) = delete;

    // The opened camera's node or moniker.
    std::string Path() const;
    // A camera's node could not be opened for want of permission.
    bool PermissionDenied() const;
    // The system's source, whatever --device chose.
    CameraSource* AllCameras() const;

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};
