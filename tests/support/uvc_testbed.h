// A sysfs and /dev sandbox (umockdev) holding USB cameras as uvcvideo shows
// them: the USB device with its attributes and raw descriptors, and per
// camera function its VideoControl interface with a capture node and a
// metadata node. The capture nodes' UVCIOC_CTRL_QUERY ioctls are answered,
// on umockdev's own thread, by a uvcvideo model over a simulated camera,
// which reads the descriptors served; a metadata node has no such ioctl. The code under test uses the
// real libudev, open and ioctl; the process runs under umockdev-wrapper.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/stream_owners.h"
#include "tests/support/usb_descriptors.h"
#include "tests/support/uvc_driver_model.h"

struct _UMockdevTestbed;
struct _UMockdevIoctlBase;
struct UvcNodeIoctl;

struct UsbCamera {
    CameraDescriptors ids;            // identity and extension units
    std::vector<uint8_t> descriptors;  // when set, used as they are instead
    std::string productName = "Tarvex USB Camera";
    std::string serial = "20250001";    // the USB device's serial attribute; none when empty
    bool metadataNode = true;
    bool saysConfiguration = true;      // sysfs gives the device's bConfigurationValue
    std::string powerControl = "auto";  // power/control: "auto" lets it suspend when idle
};

class UvcTestbed {
public:
    UvcTestbed();
    ~UvcTestbed();
    UvcTestbed(const UvcTestbed&) = delete;
    UvcTestbed& operator=(const UvcTestbed&) = delete;

    // False when the process does not run under umockdev-wrapper.
    static bool Available();

    // Adds a camera whose nodes the model answers (none when null), and
    // serves the model (which stands behind this one camera) its descriptors;
    // returns its first function's capture node. Nodes are numbered in the
    // order they are added, a function's capture node before its metadata node.
    std::string AddCamera(const UsbCamera& camera, UvcDriverModel* model);
    // The node can no longer be opened by this thread, root or not: EACCES.
    void Forbid(const std::string& devnode);
    // Any other device, as a umockdev record (P:, E:, A: lines).
    void AddDevice(const std::string& record);

private:
    std::string AddNode(const std::string& interfacePath, int index, const std::string& product,
                        UvcDriverModel* model, uint8_t interface);

    _UMockdevTestbed* bed_;
    std::vector<_UMockdevIoctlBase*> handlers_;
    StreamOwners streams_;  // on umockdev's thread only
    std::vector<std::unique_ptr<UvcNodeIoctl>> nodeIoctls_;
    int cameras_ = 0;
    int nodes_ = 0;
    bool forbade_ = false;
};
