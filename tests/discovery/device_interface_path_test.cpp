#include <gtest/gtest.h>

#include "discovery/device_interface_path.h"

namespace {

TEST(DeviceInterfacePath, GivesTheInstanceIdUsbIdentityAndSerial) {
    const std::string kCamera = "{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
    struct Case {
        std::string path;
        bool read;
        const char* busPlace;
        std::optional<UsbIdentity> usb;
        const char* serial;
    } cases[] = {
        {"@device:pnp:\\\\?\\usb#vid_4271&pid_03d5&mi_00#6&1a2b3c4&0&0000#" + kCamera, true,
         "USB\\VID_4271&PID_03D5&MI_00\\6&1A2B3C4&0&0000", UsbIdentity{0x4271, 0x03D5, 0}, ""},
        {"\\\\?\\usb#vid_4271&pid_03d5#20250417ab#" + kCamera, true,
         "USB\\VID_4271&PID_03D5\\20250417AB", UsbIdentity{0x4271, 0x03D5, 0}, "20250417AB"},
        {"\\\\?\\USB#VID_04F2&PID_B6Aa#5&2F1E&0&7#" + kCamera, true,
         "USB\\VID_04F2&PID_B6AA\\5&2F1E&0&7", UsbIdentity{0x04F2, 0xB6AA, 0}, ""},
        {"@device:pnp:\\\\?\\root#image#0000#" + kCamera, true, "ROOT\\IMAGE\\0000", std::nullopt, ""},
        {"\\\\?\\usb#vid_427&pid_03d5#1234#" + kCamera, true, "USB\\VID_427&PID_03D5\\1234", std::nullopt, ""},
        {"@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\{1B0A5D2E-0000}", false, "x", std::nullopt, "x"},
        {"\\\\?\\usb#vid_4271&pid_03d5#1234", false, "x", std::nullopt, "x"},
        {"\\\\?\\usb#vid_4271&pid_03d5##" + kCamera, false, "x", std::nullopt, "x"},
        {"\\\\?\\usb#vid_4271&pid_03d5#1234#5678#" + kCamera, false, "x", std::nullopt, "x"},
        {"usb#vid_4271&pid_03d5#1234#" + kCamera, false, "x", std::nullopt, "x"},
        {"", false, "x", std::nullopt, "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        CaptureDevice device;  // what an unread path must leave alone
        device.busPlace = device.serial = "x";
        EXPECT_EQ(ReadDeviceInterfacePath(c.path, &device), c.read);
        EXPECT_EQ(device.busPlace, c.busPlace);
        EXPECT_EQ(device.serial, c.serial);
        EXPECT_EQ(device.usb, c.usb);
    }
}

}  // namespace
