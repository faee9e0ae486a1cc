// The raw descriptors of a USB video camera, as its sysfs `descriptors`
// attribute holds them: the device descriptor, then every configuration;
// in each, per camera function, the VideoControl interface with its
// terminals and units in the UVC class layout, and a VideoStreaming
// interface. Configuration 1 is the active one.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "discovery/uvc_descriptors.h"
#include "link/xu_channel.h"

// The camera's bmControls: selectors 2-5, 7-12 and 14-16 (bit selector - 1).
inline std::vector<uint8_t> CameraControls() { return {0xDE, 0xEF}; }

struct UnitDescriptor {
    uint8_t unit;
    std::array<uint8_t, 16> guid;
    std::vector<uint8_t> controls = CameraControls();  // bmControls; bControlSize is its size
    // baSourceID; empty: the entity before it on the chain, which then runs
    // on through it. A unit with sources of its own stays off the chain's road.
    std::vector<uint8_t> sources = {};
};

inline std::array<uint8_t, 16> CameraXuGuid() {
    std::array<uint8_t, 16> g;
    UsbGuidBytes(PROPSETID_CAMERA_XU, g.data());
    return g;
}

// Entity IDs of the terminals and the processing unit around the extension
// units: camera input terminal -> processing unit -> units -> output terminal.
constexpr uint8_t kInputTerminalId = 1;
constexpr uint8_t kProcessingUnitId = 0x0A;
constexpr uint8_t kOutputTerminalId = 0x0F;

struct CameraDescriptors {
    uint16_t vendor = 0x4271;
    uint16_t product = 0x03D5;
    uint16_t revision = 0x0100;
    std::vector<UnitDescriptor> units = {{4, CameraXuGuid()}};
    // Further camera functions of the same device, each its own VideoControl
    // interface (numbers 2, 4, ...) with these units.
    std::vector<std::vector<UnitDescriptor>> moreFunctions = {};
    // A second, inactive configuration with one function holding these units.
    bool inactiveConfiguration = false;
    std::vector<UnitDescriptor> inactiveUnits = {};
};

inline void AppendLe16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}

// One camera function: association, VideoControl interface `number` and its
// class-specific descriptors, then VideoStreaming interface number + 1.
inline void AppendFunction(std::vector<uint8_t>& config, uint8_t number,
                           const std::vector<UnitDescriptor>& units) {
    std::vector<uint8_t> vc;  // class-specific VideoControl descriptors
    vc.insert(vc.end(), {13, 0x24, 0x01, 0x00, 0x01, 0, 0, 0x80, 0x8D, 0x5B, 0x00, 0x01, uint8_t(number + 1)});
    vc.insert(vc.end(), {18, 0x24, 0x02, kInputTerminalId, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0x0E, 0x20, 0});
    vc.insert(vc.end(), {11, 0x24, 0x05, kProcessingUnitId, kInputTerminalId, 0, 0, 2, 0x7F, 0x15, 0});
    uint8_t chain = kProcessingUnitId;
    for (const UnitDescriptor& u : units) {
        const std::vector<uint8_t> sources = u.sources.empty() ? std::vector<uint8_t>{chain} : u.sources;
        vc.insert(vc.end(), {uint8_t(24 + sources.size() + u.controls.size()), 0x24, 0x06, u.unit});
        vc.insert(vc.end(), u.guid.begin(), u.guid.end());
        uint8_t count = 0;
        for (uint8_t byte : u.controls)
            for (int bit = 0; bit < 8; ++bit) count += (byte >> bit) & 1;
        vc.insert(vc.end(), {count, uint8_t(sources.size())});
        vc.insert(vc.end(), sources.begin(), sources.end());
        vc.push_back(uint8_t(u.controls.size()));
        vc.insert(vc.end(), u.controls.begin(), u.controls.end());
        vc.push_back(0);
        if (u.sources.empty()) chain = u.unit;
    }
    vc.insert(vc.end(), {9, 0x24, 0x03, kOutputTerminalId, 0x01, 0x01, 0, chain, 0});
    vc[5] = uint8_t(vc.size());
    vc[6] = uint8_t(vc.size() >> 8);

    config.insert(config.end(), {8, 0x0B, number, 0x02, 0x0E, 0x03, 0x00, 0x00});
    config.insert(config.end(), {9, 0x04, number, 0x00, 0x00, 0x0E, 0x01, 0x00, 0x00});
    config.insert(config.end(), vc.begin(), vc.end());
    config.insert(config.end(), {9, 0x04, uint8_t(number + 1), 0x00, 0x00, 0x0E, 0x02, 0x00, 0x00});
}

inline std::vector<uint8_t> BuildConfiguration(uint8_t value,
                                               const std::vector<std::vector<UnitDescriptor>>& functions) {
    std::vector<uint8_t> config = {9, 0x02, 0, 0, uint8_t(2 * functions.size()), value, 0x00, 0x80, 0xFA};
    for (size_t f = 0; f < functions.size(); ++f) AppendFunction(config, uint8_t(2 * f), functions[f]);
    config[2] = uint8_t(config.size());
    config[3] = uint8_t(config.size() >> 8);
    return config;
}

inline std::vector<uint8_t> BuildDescriptors(const CameraDescriptors& c) {
    std::vector<uint8_t> out = {18, 0x01, 0x00, 0x02, 0xEF, 0x02, 0x01, 0x40};
    AppendLe16(out, c.vendor);
    AppendLe16(out, c.product);
    AppendLe16(out, c.revision);
    out.insert(out.end(), {0x01, 0x02, 0x00, uint8_t(c.inactiveConfiguration ? 2 : 1)});
    std::vector<std::vector<UnitDescriptor>> functions = {c.units};
    functions.insert(functions.end(), c.moreFunctions.begin(), c.moreFunctions.end());
    const std::vector<uint8_t> active = BuildConfiguration(1, functions);
    out.insert(out.end(), active.begin(), active.end());
    if (c.inactiveConfiguration) {
        const std::vector<uint8_t> other = BuildConfiguration(2, {c.inactiveUnits});
        out.insert(out.end(), other.begin(), other.end());
    }
    return out;
}

// The number of camera functions (VideoControl interfaces) in the active configuration.
inline size_t Functions(const CameraDescriptors& c) { return 1 + c.moreFunctions.size(); }
