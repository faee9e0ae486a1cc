// Where discovery finds capture devices on a system without DirectShow: a
// platform front end (the uvcvideo extension-unit ioctl, say) or a test
// lists them here, each offering the extension unit by one or both driver
// paths, together with the hardware IDs of the present imaging devices.
#pragma once

#include <string>
#include <vector>

#include "platform/driver_xu.h"
#include "platform/win_types.h"

struct CaptureDevice {
    std::string friendlyName;
    // Either may be null. Each call of Devices() hands the caller one
    // reference to each non-null interface.
    IDriverXu* driver = nullptr;
    IKsControl* control = nullptr;
};

class CameraSource {
public:
    virtual ~CameraSource() = default;
    // The video capture devices: S_OK with the list, S_FALSE when there
    // are none, a failure when they cannot be listed.
    virtual HRESULT Devices(std::vector<CaptureDevice>* devices) = 0;
    // The first hardware-ID string of each present imaging device, as the
    // system reports it (terminators included or not). False when the
    // list cannot be had.
    virtual bool HardwareIds(std::vector<std::string>* ids) = 0;
};

// The source in use; none at start, which is a system with no camera.
// Returns the previous one.
CameraSource* SetCameraSource(CameraSource* source);
CameraSource* GetCameraSource();
