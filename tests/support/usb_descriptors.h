// The raw descriptors of a USB video camera, as its sysfs `descriptors`
// attribute holds them: device, configuration, the VideoControl interface
// with its terminals and extension units, and a VideoStreaming interface.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "discovery/uvc_descriptors.h"
#include "link/xu_channel.h"

struct UnitDescriptor {
    uint8_t unit;
    std::array<uint8_t, 16> guid;
};

inline std::array<uint8_t, 16> CameraXuGuid() {
    std::array<uint8_t, 16> g;
    UsbGuidBytes(PROPSETID_CAMERA_XU, g.data());
    return g;
}

struct CameraDescriptors {
    uint16_t vendor = 0x4271;
    uint16_t product = 0x03D5;
    uint16_t revision = 0x0100;
    std::vector<UnitDescriptor> units = {{4, CameraXuGuid()}};
};

inline std::vector<uint8_t> BuildDescriptors(const CameraDescriptors& c) {
    auto le16 = [](std::vector<uint8_t>& v, uint16_t x) {
        v.push_back(uint8_t(x));
        v.push_back(uint8_t(x >> 8));
    };
    std::vector<uint8_t> out = {18, 0x01, 0x00, 0x02, 0xEF, 0x02, 0x01, 0x40};
    le16(out, c.vendor);
    le16(out, c.product);
    le16(out, c.revision);
    out.insert(out.end(), {0x01, 0x02, 0x00, 0x01});

    std::vector<uint8_t> vc;  // class-specific VideoControl descriptors
    vc.insert(vc.end(), {13, 0x24, 0x01, 0x00, 0x01, 0, 0, 0x80, 0x8D, 0x5B, 0x00, 0x01, 0x01});
    vc.insert(vc.end(), {18, 0x24, 0x02, 0x01, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0});
    uint8_t source = 1;
    for (const UnitDescriptor& u : c.units) {
        // One input pin, a two-byte control bitmap: 24 + 1 + 2 bytes.
        vc.insert(vc.end(), {27, 0x24, 0x06, u.unit});
        vc.insert(vc.end(), u.guid.begin(), u.guid.end());
        vc.insert(vc.end(), {16, 1, source, 2, 0xFF, 0xFF, 0});
        source = u.unit;
    }
    vc.insert(vc.end(), {9, 0x24, 0x03, 0x03, 0x01, 0x01, 0, source, 0});
    vc[5] = uint8_t(vc.size());
    vc[6] = uint8_t(vc.size() >> 8);

    std::vector<uint8_t> config = {9, 0x02, 0, 0, 0x02, 0x01, 0x00, 0x80, 0xFA};
    config.insert(config.end(), {8, 0x0B, 0x00, 0x02, 0x0E, 0x03, 0x00, 0x00});
    config.insert(config.end(), {9, 0x04, 0x00, 0x00, 0x00, 0x0E, 0x01, 0x00, 0x00});
    config.insert(config.end(), vc.begin(), vc.end());
    config.insert(config.end(), {9, 0x04, 0x01, 0x00, 0x00, 0x0E, 0x02, 0x00, 0x00});
    config[2] = uint8_t(config.size());
    config[3] = uint8_t(config.size() >> 8);
    out.insert(out.end(), config.begin(), config.end());
    return out;
}
