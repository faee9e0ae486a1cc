// Puts the system's camera source in place for the program's life: the
// uvcvideo source on Linux, DirectShow on Windows (on the main thread,
// whose COM main holds); only the camera the user chose (see
// ParseCameraChoice), by its number in the walk or its path, when one was.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "discovery/camera_source.h"

class SystemCamera {
public:
    // `log` is the run's transfer log.
    SystemCamera(std::string* log, const std::string& device);
    ~SystemCamera();
    SystemCamera(const SystemCamera&) = delete;
    SystemCamera& operator=(const SystemCamera&) = delete;

    // A camera's node could not be opened for want of permission.
    bool PermissionDenied() const;
    // The node of a camera of ours' family that another run holds (Linux:
    // its flock), passed over by the walk; "" when there was none.
    std::string HeldByAnotherRun() const;
    // For the download: the checked camera's capture queue (its node),
    // held until released; false when another program streams from it.
    // Windows has no such claim: always true there.
    bool TakeCaptureQueue(const std::string& node, std::string* log);
    void ReleaseCaptureQueue();
    // What the source told the user in its last walk.
    std::vector<std::string> Notes() const;
    // The opened camera may suspend between requests (Linux USB autosuspend).
    bool MaySuspend() const;
    // Whether the camera the user chose (by number or path) is one of the
    // family attached; true when none was chosen. Asks each only its chip
    // ID; a node another run holds is passed over.
    bool ChoiceNamesACamera() const;
    // The system's source, whatever the user chose.
    CameraSource* AllCameras() const;

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};
