// What a Windows device interface path tells of the device behind it:
//   \\?\usb#vid_4271&pid_03d5&mi_00#6&1a2b3c4&0&0000#{65e8773d-...}\global
// is an interface of the device USB\VID_4271&PID_03D5&MI_00\6&1A2B3C4&0&0000.
// A DirectShow moniker's display name carries it after "@device:pnp:".
// Portable text handling, so that it is tested on every build.
#pragma once

#include <string>

#include "discovery/camera_source.h"

// Sets device's instanceId to the device instance ID (upper case, as
// Windows keeps it), clears its busPlace (the port tells it) and, for a USB device, its usb (vendor and product; revision 0,
// which the path does not carry) and serial where the path tells them.
// False, and nothing changed, when path is no device interface path.
bool ReadDeviceInterfacePath(const std::string& path, CaptureDevice* device);
