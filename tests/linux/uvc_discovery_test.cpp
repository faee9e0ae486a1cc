// The uvcvideo camera source through the real libudev, open and ioctl, in a
// umockdev sandbox whose nodes a uvcvideo model over simulated cameras
// answers.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "chip/cam_device.h"
#include "discovery/uvc_camera_source.h"
#include "link/xu_channel.h"
#include "simcam/sim_camera.h"
#include "tests/support/rig_source.h"
#include "tests/support/uvc_testbed.h"

namespace {

struct Found {
    std::string path;
    ULONG nodeId;
    ComPtr<IKsControl> control;
    bool driver;
    std::string name;
};

struct Walk {
    HRESULT begin;
    std::vector<Found> devices;
};

Walk WalkAll(UvcCameraSource& source) {
    Walk walk{source.Begin(), {}};
    CaptureDevice device;
    while (walk.begin == S_OK && source.Next(&device) == S_OK) {
        char name[kCameraNameBytes];
        source.StoreFriendlyName(name);
        walk.devices.push_back({device.path, device.nodeId, device.control, bool(device.driver), name});
    }
    return walk;
}

// The chip-ID register through a channel on the device's control, as
// discovery reads it; 0 when a request fails.
uint8_t ChipId(const Found& device) {
    CXuChannel channel;
    device.control->AddRef();
    channel.AttachKsControl(device.control.Get(), device.nodeId);
    channel.mode = ChannelMode::UvcNode;
    BYTE bytes[2] = {0xFF, 0x20};
    if (FAILED(channel.put_Property(2, 2, bytes))) return 0;
    if (FAILED(channel.get_Property(3, 1, bytes))) return 0;
    return bytes[0];
}

std::vector<std::string> HardwareIds(UvcCameraSource& source) {
    std::vector<std::string> ids;
    EXPECT_TRUE(source.HardwareIds([&](const ImagingDevice& device) {
        EXPECT_TRUE(device.hardwareIds.empty() && device.usb);
        const UsbIdentity usb = device.usb.value_or(UsbIdentity());
        char id[40];
        std::snprintf(id, sizeof id, "USB\\VID_%04X&PID_%04X&REV_%04X", usb.vendor, usb.product, usb.revision);
        ids.push_back(id);
        return false;
    }));
    return ids;
}

struct Camera {
    explicit Camera(uint8_t chipId, uint8_t unit) : model(sim, unit) { sim.SetChipId(chipId); }
    simcam::SimCamera sim;
    UvcDriverModel model;
};

class UvcDiscovery : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(UvcTestbed::Available()) << "run under umockdev-wrapper"; }

    UvcTestbed bed;
    std::string log;
    UvcCameraSource source{&log};
};

TEST_F(UvcDiscovery, OneCameraIsOfferedOnceAtItsCaptureNodeWithItsUnitNameAndHardwareId) {
    Camera camera(0x65, 4);
    UsbCamera usb;
    const std::string node = bed.AddCamera(usb, &camera.model);
    // Another program streams from the node: no exclusive open stands in the way.
    const int streaming = open(node.c_str(), O_RDWR);
    ASSERT_GE(streaming, 0);

    Walk walk = WalkAll(source);
    ASSERT_EQ(walk.begin, S_OK);
    ASSERT_EQ(walk.devices.size(), 1u);
    const Found& found = walk.devices[0];
    EXPECT_EQ(found.path, node);
    EXPECT_EQ(found.nodeId, 4u);
    EXPECT_FALSE(found.driver);
    EXPECT_EQ(found.name, "Tarvex USB Camera");
    ASSERT_TRUE(found.control);
    EXPECT_EQ(ChipId(found), 0x65);

    CXuChannel channel;
    found.control->AddRef();
    channel.AttachKsControl(found.control.Get(), found.nodeId);
    channel.mode = ChannelMode::UvcNode;
    ULONG size = 0;
    EXPECT_EQ(channel.get_PropertySize(10, &size), S_OK);
    EXPECT_EQ(size, 64u);

    EXPECT_EQ(HardwareIds(source), std::vector<std::string>{"USB\\VID_4271&PID_03D5&REV_0100"});
    EXPECT_EQ(log, "");
    EXPECT_FALSE(source.PermissionDenied());
    close(streaming);
}

TEST_F(UvcDiscovery, TwoCamerasEachReachTheirOwnAndTheChosenNodeAloneIsWalked) {
    Camera ours(0x65, 4), other(0x92, 7);
    UsbCamera second;
    second.ids.units = {{7, CameraXuGuid()}};
    second.ids.revision = 0x0207;
    // 94 bytes of UTF-8: cut to fit 80 with the terminator, at a whole character.
    second.productName = "Second Camera ";
    for (int i = 0; i < 40; ++i) second.productName += "\xC3\xA9";
    const std::string first = bed.AddCamera(UsbCamera(), &ours.model);
    const std::string next = bed.AddCamera(second, &other.model);

    Walk walk = WalkAll(source);
    ASSERT_EQ(walk.devices.size(), 2u);
    EXPECT_EQ(walk.devices[0].path, first);
    EXPECT_EQ(ChipId(walk.devices[0]), 0x65);
    EXPECT_EQ(walk.devices[1].path, next);
    EXPECT_EQ(walk.devices[1].nodeId, 7u);
    EXPECT_EQ(walk.devices[1].name, second.productName.substr(0, 78));
    EXPECT_EQ(ChipId(walk.devices[1]), 0x92);
    EXPECT_EQ(HardwareIds(source), (std::vector<std::string>{"USB\\VID_4271&PID_03D5&REV_0100",
                                                             "USB\\VID_4271&PID_03D5&REV_0207"}));
    // The scan stops where its visitor says.
    int visited = 0;
    EXPECT_TRUE(source.HardwareIds([&](const ImagingDevice&) { return ++visited == 1; }));
    EXPECT_EQ(visited, 1);

    UvcCameraSource chosen(&log, next);
    walk = WalkAll(chosen);
    ASSERT_EQ(walk.devices.size(), 1u);
    EXPECT_EQ(walk.devices[0].path, next);
    UvcCameraSource missing(&log, "/dev/video9");
    EXPECT_EQ(missing.Begin(), S_FALSE);
}

// The descriptors of a good camera, broken at its extension unit.
std::vector<uint8_t> Broken(void (*breakIt)(std::vector<uint8_t>&, size_t unitAt)) {
    std::vector<uint8_t> bytes = BuildDescriptors(CameraDescriptors());
    const auto guid = CameraXuGuid();
    const size_t unitAt = size_t(std::search(bytes.begin(), bytes.end(), guid.begin(), guid.end()) - bytes.begin()) - 4;
    breakIt(bytes, unitAt);
    return bytes;
}

TEST_F(UvcDiscovery, OnlyCamerasWhoseDescriptorsHoldTheUnitAreOffered) {
    Camera ours(0x65, 9);
    std::vector<UsbCamera> others(10);
    others[0].ids.units = {};                                   // no extension unit
    others[1].ids.units = {{4, {0x11, 0x22, 0x33}}};            // another vendor's unit
    others[2].descriptors = Broken([](auto& b, size_t at) { b[at] = 0; });            // length 0
    others[3].descriptors = Broken([](auto& b, size_t at) { b[at] = 0xFF; });         // runs past the end
    others[4].descriptors = Broken([](auto& b, size_t at) { b.resize(at + 22); });    // cut inside the unit
    others[5].descriptors = Broken([](auto& b, size_t at) { b[at + 21] = 0xF0; });    // pins beyond the unit
    others[6].descriptors = {0x01};                              // one byte
    others[7].ids.units[0].controls = {0xDE, 0xED};              // selector 10 not in bmControls
    others[8].ids.units[0].sources = {0x30};                     // fed by nothing: on no chain
    others[9].ids.units = {};                                    // only in the inactive configuration
    others[9].ids.inactiveConfiguration = true;
    others[9].ids.inactiveUnits = {{4, CameraXuGuid()}};
    for (UsbCamera& other : others) bed.AddCamera(other, nullptr);
    // Two camera functions; the unit is in the second one's interface.
    UsbCamera good;
    good.ids.units = {};
    good.ids.moreFunctions = {{{3, {0xAA}}, {9, CameraXuGuid()}}};
    const std::string first = bed.AddCamera(good, &ours.model);
    const std::string node = "/dev/video" + std::to_string(std::stoi(first.substr(10)) + 2);

    Walk walk = WalkAll(source);
    EXPECT_EQ(walk.begin, S_OK);
    ASSERT_EQ(walk.devices.size(), 1u);
    EXPECT_EQ(walk.devices[0].path, node);
    EXPECT_EQ(walk.devices[0].nodeId, 9u);
    EXPECT_EQ(ChipId(walk.devices[0]), 0x65);
    // The hardware-ID road still sees every camera.
    EXPECT_EQ(HardwareIds(source).size(), others.size() + 1);
    EXPECT_EQ(source.Notes(), (std::vector<std::string>{
        "Passed over /dev/video14: unit 4's bmControls lacks selector 10, so uvcvideo refuses the requests the update needs.",
        "Passed over /dev/video16: unit 4 is on no video chain, so uvcvideo refuses the requests the update needs."}));
}

TEST_F(UvcDiscovery, NoVideoNodeIsNoCaptureHardware) {
    EXPECT_EQ(source.Begin(), S_FALSE);
    EXPECT_TRUE(HardwareIds(source).empty());
}

TEST_F(UvcDiscovery, ANodeWithoutPermissionIsPassedOverSaidAndRemembered) {
    Camera forbidden(0x65, 4), open(0x65, 4);
    const std::string first = bed.AddCamera(UsbCamera(), &forbidden.model);
    const std::string second = bed.AddCamera(UsbCamera(), &open.model);
    bed.Forbid(first);

    Walk walk = WalkAll(source);
    ASSERT_EQ(walk.devices.size(), 2u);
    EXPECT_EQ(walk.devices[0].path, first);
    EXPECT_FALSE(walk.devices[0].control);
    EXPECT_EQ(ChipId(walk.devices[1]), 0x65);
    EXPECT_EQ(log, "Cannot open " + first + ": EACCES (no permission on the node)\r\n");
    EXPECT_TRUE(source.PermissionDenied());
    EXPECT_EQ(forbidden.model.Queries(), 0u);
}

// The one walk over this source: a camera of another family is passed over
// after its chip-ID read, a node that cannot be opened is passed over
// unasked, and ours is accepted with its name.
TEST_F(UvcDiscovery, OpenCameraAcceptsOursAmongOthersThroughUvcvideo) {
    Camera otherFamily(0x92, 4), forbidden(0x65, 4), ours(0x65, 6);
    bed.AddCamera(UsbCamera(), &otherFamily.model);
    bed.Forbid(bed.AddCamera(UsbCamera(), &forbidden.model));
    UsbCamera named;
    named.productName = "Tarvex 7100R";
    named.ids.units = {{6, CameraXuGuid()}};
    named.ids.revision = 0x0308;
    named.serial = "20250417";
    bed.AddCamera(named, &ours.model);
    ScopedSource scoped(&source);

    CCamDevice device;
    char name[kCameraNameBytes] = "unchanged";
    EXPECT_EQ(device.OpenCamera(log, name), 1);
    EXPECT_EQ(std::string(name), "Tarvex 7100R");
    // Its identity is its own, not that of the cameras walked before it.
    EXPECT_EQ(device.camera.busPlace, "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-3");
    EXPECT_EQ(device.camera.usb, (UsbIdentity{0x4271, 0x03D5, 0x0308}));
    EXPECT_EQ(device.camera.serial, "20250417");
    ASSERT_NE(pExt, nullptr);
    EXPECT_EQ(pExt->mode, ChannelMode::UvcNode);
    EXPECT_EQ(log, "Cannot open /dev/video2: EACCES (no permission on the node)\r\nTarvex Camera (UVC), ");
    EXPECT_TRUE(source.PermissionDenied());
    // The camera passed over heard its chip-ID read and nothing more: each
    // control's first use as the driver makes it (length, then capabilities).
    std::vector<std::pair<uint32_t, simcam::Kind>> heard;
    for (const simcam::Request& r : otherFamily.sim.Requests()) heard.push_back({r.selector, r.kind});
    EXPECT_EQ(heard, (std::vector<std::pair<uint32_t, simcam::Kind>>{{2, simcam::Kind::Length},
                                                                       {2, simcam::Kind::Info},
                                                                       {2, simcam::Kind::Set},
                                                                       {3, simcam::Kind::Length},
                                                                       {3, simcam::Kind::Info},
                                                                       {3, simcam::Kind::Get}}));
    EXPECT_EQ(forbidden.model.Queries(), 0u);
    device.CloseChannel();
}

}  // namespace
