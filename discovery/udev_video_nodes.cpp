#include "discovery/udev_video_nodes.h"

#include <libudev.h>

#include <cstdio>
#include <cstdlib>

#include "discovery/camera_source.h"

namespace {

// Far more than any device's descriptors (a configuration is at most
// 65535 bytes), so a broken attribute cannot make the read endless.
constexpr size_t kMostDescriptorBytes = 1 << 20;

std::string Attribute(udev_device* device, const char* name) {
    const char* value = udev_device_get_sysattr_value(device, name);
    return value ? value : "";
}

// `descriptors` holds zeros, so it is read as a file rather than a text.
std::vector<uint8_t> ReadDescriptors(const std::string& syspath) {
    std::vector<uint8_t> bytes;
    FILE* file = std::fopen((syspath + "/descriptors").c_str(), "rb");
    if (!file) return bytes;
    uint8_t chunk[4096];
    size_t got;
    while (bytes.size() < kMostDescriptorBytes && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(file);
    return bytes;
}

// A number attribute (bInterfaceNumber is hexadecimal); -1 when absent or not a number.
int Number(const std::string& text, int base) {
    if (text.empty()) return -1;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, base);
    return *end == '\0' && value >= 0 && value <= 255 ? int(value) : -1;
}

VideoNode Describe(udev_device* device) {
    VideoNode node;
    node.devnode = udev_device_get_devnode(device);
    const std::string index = Attribute(device, "index");
    if (!index.empty()) node.index = std::atoi(index.c_str());
    // Owned by `device`: not released here.
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
    if (!usb) return node;
    node.usbSyspath = udev_device_get_syspath(usb);
    if (udev_device* in = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_interface")) {
        node.interfaceSyspath = udev_device_get_syspath(in);
        node.interfaceNumber = Number(Attribute(in, "bInterfaceNumber"), 16);
    }
    node.configuration = Number(Attribute(usb, "bConfigurationValue"), 10);
    node.powerControl = Attribute(usb, "power/control");
    node.autosuspendDelayMs = Attribute(usb, "power/autosuspend_delay_ms");
    node.idVendor = Attribute(usb, "idVendor");
    node.idProduct = Attribute(usb, "idProduct");
    node.bcdDevice = Attribute(usb, "bcdDevice");
    node.product = Attribute(usb, "product");
    node.serial = Attribute(usb, "serial");
    node.descriptors = ReadDescriptors(node.usbSyspath);
    return node;
}

}  // namespace

bool KernelLetsOpenNodesSuspend(const std::string& release) {
    constexpr int kMajor = 6, kMinor = 15;  // the first release that lets them suspend
    int major = 0, minor = 0;
    if (std::sscanf(release.c_str(), "%d.%d", &major, &minor) != 2) return false;
    return major > kMajor || (major == kMajor && minor >= kMinor);
}

HRESULT ListVideoNodes(std::vector<VideoNode>* nodes) {
    udev* context = udev_new();
    if (!context) return DISCOVERY_E_NO_ENUMERATOR;
    HRESULT hr = E_FAIL;
    udev_enumerate* scan = udev_enumerate_new(context);
    if (scan && udev_enumerate_add_match_subsystem(scan, "video4linux") >= 0 &&
        udev_enumerate_scan_devices(scan) >= 0) {
        hr = S_OK;
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan)) {
            udev_device* device = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
            if (!device) continue;
            if (udev_device_get_devnode(device)) nodes->push_back(Describe(device));
            udev_device_unref(device);
        }
    }
    if (scan) udev_enumerate_unref(scan);
    udev_unref(context);
    return hr;
}
