// Where camera discovery finds capture devices: DirectShow and SetupAPI on
// Windows, uvcvideo and udev on Linux, a simulated camera in tests. A
// source only lists; what is accepted, and what the log says, is decided by
// the one walk in OpenCamera. Results: sources answer HRESULTs as below;
// OpenCamera and FindHardwareId return 1 or 0. OpenCamera logs the walk's
// verdicts; a source may log only what the system itself refused.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/camera_identity.h"
#include "platform/com_ptr.h"
#include "platform/driver_xu.h"
#include "platform/win_types.h"

// The caller's buffer for a camera's friendly name, terminator included.
constexpr size_t kCameraNameBytes = 80;

// The extension unit's node in a Windows capture filter's topology.
constexpr ULONG kExtensionUnitNode = 2;

// The system's device enumerator itself could not be created.
#define DISCOVERY_E_NO_ENUMERATOR HRESULT_FROM_WIN32(1058L /* ERROR_SERVICE_DISABLED */)

// A capture device as a source offers it: which camera it is (its path,
// and where the system says them its bus place, USB IDs and serial; the
// name and chip ID come once it is accepted), and the ways to reach it.
struct CaptureDevice : CameraIdentity {
    // The driver paths the device offers; either may be empty. Only an
    // interface the device answered with exactly S_OK is given.
    ComPtr<IDriverXu> driver;
    ComPtr<IKsControl> control;
    // The extension unit's node for `control`: 2 on Windows, the unit ID
    // its descriptor names on Linux.
    ULONG nodeId = kExtensionUnitNode;
};

// A present imaging device as the system describes it: by its hardware-ID
// list (SetupAPI; its first string is the one that counts, terminated or
// not), or by its USB identity where the system gives it as numbers.
struct ImagingDevice {
    std::string hardwareIds;
    std::optional<UsbIdentity> usb;
};

class CameraSource {
public:
    virtual ~CameraSource() = default;
    // Starts a walk over the video capture devices: S_OK when there are
    // some, S_FALSE when there are none, DISCOVERY_E_NO_ENUMERATOR when the
    // system's enumerator cannot be had, another failure when the devices
    // cannot be listed.
    virtual HRESULT Begin() = 0;
    // The next device: S_OK with *device filled, S_FALSE at the end, a
    // failure when the device cannot be bound (the walk ends there).
    virtual HRESULT Next(CaptureDevice* device) = 0;
    // The friendly name of the device Next gave last, in the system's 8-bit
    // code page, cut at a whole character to fit kCameraNameBytes with its
    // terminator; "" when it cannot be read.
    virtual void StoreFriendlyName(char* name) = 0;
    // Lets go of what the walk holds; the next Begin starts afresh.
    virtual void End() {}
    // Hands visit each present imaging device in turn, until visit returns
    // true. False when the devices cannot be had.
    using HardwareIdVisit = std::function<bool(const ImagingDevice& device)>;
    virtual bool HardwareIds(const HardwareIdVisit& visit) = 0;
    // Hands visit the imaging device that owns `camera`, a camera this
    // source's walk gave, and no other: another camera on the machine
    // vouches for nothing. False when it cannot be had. By default the USB
    // identity the walk gave with the camera (on Linux, that of the USB
    // device its node belongs to).
    virtual bool OwnHardwareIds(const CameraIdentity& camera, const HardwareIdVisit& visit) {
        if (!camera.usb) return false;
        visit(ImagingDevice{std::string(), camera.usb});
        return true;
    }
};

// The source discovery walks; at start the system's own where the build
// has one (DirectShow on Windows), else none: a system with no camera.
// Returns the previous one.
CameraSource* SetCameraSource(CameraSource* source);
CameraSource* GetCameraSource();
// The build's own source (DirectShow on Windows), or null.
CameraSource* SystemCameraSource();
