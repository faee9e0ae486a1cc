// The system's video4linux nodes as udev lists them, each with what its USB
// device says about itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"

struct VideoNode {
    std::string devnode;     // /dev/videoN
    int index = -1;          // the node's `index` attribute: 0 for capture; -1 when absent
    std::string usbSyspath;  // its USB device; empty when it has none
    // Its VideoControl interface: the USB interface it sits under, its
    // bInterfaceNumber (-1 when absent), and the device's active
    // bConfigurationValue (-1 when absent).
    std::string interfaceSyspath;
    int interfaceNumber = -1;
    int configuration = -1;
    // The USB device's runtime power management: power/control ("auto"
    // lets it suspend when idle) and power/autosuspend_delay_ms.
    std::string powerControl, autosuspendDelayMs;
    // The USB device's attributes as sysfs gives them: hexadecimal texts,
    // the product and serial-number strings, and the raw descriptors.
    std::string idVendor, idProduct, bcdDevice, product, serial;
    std::vector<uint8_t> descriptors;
};

// From Linux 6.15 an open node no longer keeps its camera resumed: true
// for such a kernel release ("6.15.2-arch1").
bool KernelLetsOpenNodesSuspend(const std::string& release);

// S_OK with the nodes (none is S_OK too); DISCOVERY_E_NO_ENUMERATOR when udev
// cannot be had; E_FAIL when it cannot list the nodes.
HRESULT ListVideoNodes(std::vector<VideoNode>* nodes);
