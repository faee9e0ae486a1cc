#include "discovery/uvc_camera_source.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>

#include "discovery/udev_video_nodes.h"
#include "discovery/uvc_chain.h"
#include "link/uvc_errors.h"
#include "link/uvc_node_control.h"

namespace {

// The node the user named, by its name or by a link to it.
bool IsChosen(const std::string& devnode, const std::string& chosen) {
    if (chosen.empty() || devnode == chosen) return true;
    struct stat a, b;
    return stat(devnode.c_str(), &a) == 0 && stat(chosen.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// One node per group (a key of the node's): its capture node (index 0)
// where it has one, or the first listed.
std::vector<VideoNode> OnePer(std::vector<VideoNode> nodes, const std::string& chosen,
                              std::string (*key)(const VideoNode&)) {
    std::vector<VideoNode> kept;
    std::map<std::string, size_t> seenAt;
    for (VideoNode& node : nodes) {
        if (!IsChosen(node.devnode, chosen) || node.usbSyspath.empty()) continue;
        auto seen = seenAt.find(key(node));
        if (seen == seenAt.end()) {
            seenAt[key(node)] = kept.size();
            kept.push_back(std::move(node));
        } else if (node.index == 0 && kept[seen->second].index != 0) {
            kept[seen->second] = std::move(node);
        }
    }
    return kept;
}

std::string UsbDeviceOf(const VideoNode& node) { return node.usbSyspath; }
// A camera function: its VideoControl interface (the device when unknown).
std::string FunctionOf(const VideoNode& node) {
    return node.interfaceSyspath.empty() ? node.usbSyspath : node.interfaceSyspath;
}

// The devnode of the capture node beside `chosen` under the same interface; "" when none.
std::string CaptureBeside(const std::vector<VideoNode>& nodes, const VideoNode& chosen) {
    for (const VideoNode& node : nodes)
        if (node.index == 0 && !chosen.interfaceSyspath.empty() &&
            node.interfaceSyspath == chosen.interfaceSyspath)
            return node.devnode;
    return "";
}

// A four-digit hexadecimal sysfs attribute; false for anything else.
bool Hex16(const std::string& text, uint16_t* value) {
    if (text.empty() || text.size() > 4) return false;
    char* end = nullptr;
    unsigned long v = std::strtoul(text.c_str(), &end, 16);
    if (*end != '\0' || text[0] == '-' || text[0] == '+') return false;
    *value = uint16_t(v);
    return true;
}

// The USB device's identity from its attributes; unset unless all three read.
std::optional<UsbIdentity> UsbIdentityOf(const VideoNode& node) {
    UsbIdentity usb;
    if (!Hex16(node.idVendor, &usb.vendor) || !Hex16(node.idProduct, &usb.product) ||
        !Hex16(node.bcdDevice, &usb.revision))
        return std::nullopt;
    return usb;
}

}  // namespace

UvcCameraSource::UvcCameraSource(std::string* log, std::string onlyNode)
    : log_(log), onlyNode_(std::move(onlyNode)) {}

HRESULT UvcCameraSource::Begin() {
    cameras_.clear();
    next_ = 0;
    name_.clear();
    std::vector<VideoNode> nodes;
    HRESULT hr = ListVideoNodes(&nodes);
    if (FAILED(hr)) return hr;
    notes_.clear();
    const VideoNode* chosen = nullptr;
    for (const VideoNode& node : nodes)
        if (IsChosen(node.devnode, onlyNode_)) chosen = chosen ? chosen : &node;
    if (!chosen) return S_FALSE;
    std::string only = onlyNode_;
    // The metadata node takes no extension-unit request; its capture node does.
    if (!only.empty() && chosen->index > 0) {
        const std::string capture = CaptureBeside(nodes, *chosen);
        if (capture.empty()) {
            Note(only + " is not a capture node (index " + std::to_string(chosen->index) +
                 ") and no capture node sits beside it: name the camera's capture node, "
                 "the one whose index is 0.");
            return S_OK;
        }
        Note(only + " is the camera's metadata node; using its capture node " + capture + ".");
        only = capture;
    }
    // Other cameras count as capture hardware, but only ours are offered.
    for (const VideoNode& node : OnePer(std::move(nodes), only, FunctionOf)) Consider(node);
    return S_OK;
}

// Offers the node when its own VideoControl interface, in the active
// configuration, holds the camera's unit where uvcvideo will reach it.
void UvcCameraSource::Consider(const VideoNode& node) {
    const CameraUnit unit = CameraUnitIn(node.descriptors, node.configuration, node.interfaceNumber);
    if (!unit.found) return;  // another maker's camera
    if (!unit.Usable()) {
        Note("Passed over " + node.devnode + ": " + CameraUnitProblem(unit) +
             ", so uvcvideo refuses the requests the update needs.");
        return;
    }
    cameras_.push_back({node.devnode, unit.unit.id, node.product, node.powerControl,
                        node.usbSyspath, UsbIdentityOf(node), node.serial});
}

HRESULT UvcCameraSource::Next(CaptureDevice* device) {
    if (!device) return E_POINTER;
    if (next_ >= cameras_.size()) return S_FALSE;
    const Camera& camera = cameras_[next_++];
    *device = CaptureDevice();
    device->path = camera.devnode;
    device->nodeId = camera.unit;
    device->busPlace = camera.busPlace;
    device->usb = camera.usb;
    device->serial = camera.serial;
    name_ = camera.product;
    utsname system;
    maySuspend_ = camera.powerControl == "auto" && uname(&system) == 0 &&
                  KernelLetsOpenNodesSuspend(system.release);
    // No exclusive open: another program may be streaming from the node.
    const int fd = open(camera.devnode.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        permissionDenied_ |= err == EACCES || err == EPERM;
        if (log_) *log_ += "Cannot open " + camera.devnode + ": " + UvcOpenErrnoText(err) + "\r\n";
        return S_OK;  // offered with no interface: passed over
    }
    device->control.Attach(new UvcNodeControl(fd, log_));
    return S_OK;
}

void UvcCameraSource::StoreFriendlyName(char* name) {
    if (!name) return;
    size_t used = name_.size() < kCameraNameBytes - 1 ? name_.size() : kCameraNameBytes - 1;
    // Never cut inside a UTF-8 sequence.
    if (used < name_.size())
        while (used > 0 && (uint8_t(name_[used]) & 0xC0) == 0x80) --used;
    std::memcpy(name, name_.data(), used);
    name[used] = '\0';
}

// For the user and for the transfer log alike.
void UvcCameraSource::Note(const std::string& text) {
    notes_.push_back(text);
    if (log_) *log_ += text + "\r\n";
}

void UvcCameraSource::End() {
    cameras_.clear();
    next_ = 0;
}

bool UvcCameraSource::HardwareIds(const HardwareIdVisit& visit) {
    std::vector<VideoNode> nodes;
    if (FAILED(ListVideoNodes(&nodes))) return false;
    for (const VideoNode& node : OnePer(std::move(nodes), onlyNode_, UsbDeviceOf)) {
        const std::optional<UsbIdentity> usb = UsbIdentityOf(node);
        if (usb && visit(ImagingDevice{std::string(), usb})) break;
    }
    return true;
}
