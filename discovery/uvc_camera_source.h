// The cameras uvcvideo drives, found through udev: one capture node per
// VideoControl interface (camera function) whose own descriptors, in the
// active configuration, hold the camera's extension unit where the driver
// will reach it; each offered as an IKsControl that carries requests as
// uvcvideo ioctls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "discovery/camera_source.h"
#include "discovery/udev_video_nodes.h"

class UvcCameraSource final : public CameraSource {
public:
    // `log` is the text the front end keeps its transfer log in (may be
    // null); `onlyNode`, when given, is the one node the user chose.
    explicit UvcCameraSource(std::string* log, std::string onlyNode = std::string());

    HRESULT Begin() override;
    HRESULT Next(CaptureDevice* device) override;
    void StoreFriendlyName(char* name) override;
    void End() override;
    bool HardwareIds(const HardwareIdVisit& visit) override;

    // A node could not be opened for want of permission, in any walk so far.
    bool PermissionDenied() const { return permissionDenied_; }
    // What the last walk has to tell the user: a unit passed over and why,
    // the capture node used for a metadata node named.
    const std::vector<std::string>& Notes() const { return notes_; }
    // The camera Next gave last may suspend while its node is open: USB
    // autosuspend is on for it and the kernel no longer holds it resumed.
    bool MaySuspend() const { return maySuspend_; }

private:
    struct Camera {
        std::string devnode;
        uint8_t unit;
        std::string product;
        std::string powerControl;
        std::string busPlace;
        std::optional<UsbIdentity> usb;
        std::string serial;
    };

    std::string* log_;
    std::string onlyNode_;
    std::vector<Camera> cameras_;
    size_t next_ = 0;
    std::string name_;
    bool permissionDenied_ = false;
    bool maySuspend_ = false;
    std::vector<std::string> notes_;

    void Note(const std::string& text);
    void Consider(const VideoNode& node);
};
