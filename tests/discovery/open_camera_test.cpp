#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "chip/cam_device.h"
#include "discovery/discovery_seams.h"
#include "link/xu_channel.h"
#include "tests/support/fake_com.h"
#include "tests/support/rig_scope.h"

namespace {

constexpr char kGuard = char(0xA5);
constexpr size_t kNameBytes = 80;
const std::string kNotFound = "NO Tarvex 7100R Camera plugged in!\r\n";
const std::string kNoHardware = "NO Camera hardware.\r\n";
const std::string kBindFail = "BindToObject IID_IBaseFilter fail.\r\n";
const std::string kEnumeratorFail = "CoCreateInstance SystemDeviceEnum fail.\r\n";

FakeDevEnum* gDevEnum = nullptr;
HRESULT gCreateResult = S_OK;

HRESULT CreateFakeDevEnum(ICreateDevEnum** out) {
    *out = nullptr;
    if (FAILED(gCreateResult)) return gCreateResult;
    gDevEnum->AddRef();
    *out = gDevEnum;
    return S_OK;
}

enum Offers { kNone = 0, kDriver = 1, kNode = 2, kBoth = 3 };

struct Device {
    explicit Device(const std::string& n)
        : moniker("moniker" + n), filter("filter" + n), bag("bag" + n), driver("driver" + n),
          ks("ks" + n) {
        moniker.filter = &filter;
        moniker.bag = &bag;
    }
    FakeMoniker moniker;
    FakeFilter filter;
    FakePropertyBag bag;
    FakeDriver driver;
    FakeKsControl ks;
};

// One run of discovery over fake devices. On leaving, the channel is closed
// and every object must be back at its starting count, and the name buffer
// untouched from byte 80 on.
struct Scene {
    Scene() {
        gComEvents.clear();
        gDevEnum = &devEnum;
        gCreateResult = S_OK;
        devEnum.handOut = &classEnum;
        std::memset(name, kGuard, sizeof(name));
    }
    ~Scene() {
        camera.CloseChannel();
        EXPECT_EQ(devEnum.References(), 1u);
        EXPECT_EQ(classEnum.References(), 1u);
        for (auto& d : devices) {
            EXPECT_EQ(d->moniker.References(), 1u) << d->moniker.label;
            EXPECT_EQ(d->filter.References(), 1u) << d->filter.label;
            EXPECT_EQ(d->bag.References(), 1u) << d->bag.label;
            EXPECT_EQ(d->driver.References(), 1u) << d->driver.label;
            EXPECT_EQ(d->ks.References(), 1u) << d->ks.label;
        }
        for (size_t i = kNameBytes; i < sizeof(name); ++i)
            EXPECT_EQ(name[i], kGuard) << "name buffer overrun at " << i;
    }

    Device& Add(Offers offers, BYTE chipId) {
        devices.push_back(std::make_unique<Device>(std::to_string(devices.size() + 1)));
        Device& d = *devices.back();
        if (offers & kDriver) d.filter.driver = &d.driver;
        if (offers & kNode) d.filter.ks = &d.ks;
        d.driver.chipId = chipId;
        d.ks.chipId = chipId;
        classEnum.monikers.push_back(&d.moniker);
        return d;
    }
    int32_t Open() { return camera.OpenCamera(log, name); }

    FakeDevEnum devEnum{"devenum"};
    FakeEnumMoniker classEnum{"enum"};
    std::vector<std::unique_ptr<Device>> devices;
    CCamDevice camera;  // starts with pExt cleared
    std::string log;
    char name[128];
    Scoped<CreateDevEnumFn, SetCreateDevEnum> createDevEnum{CreateFakeDevEnum};
};

TEST(OpenCamera, CategoryWithoutDevicesLeavesNoChannel) {
    struct Case {
        const char* label;
        HRESULT answer;
        bool handsOut;    // an enumerator comes with the answer anyway
        bool hadChannel;  // pExt set before the call
    } cases[] = {
        {"no devices", S_FALSE, false, false},
        {"no devices, channel open", S_FALSE, false, true},
        {"failure", E_FAIL, false, true},
        {"S_FALSE with an enumerator", S_FALSE, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Scene s;
        s.devEnum.answer = c.answer;
        if (!c.handsOut) s.devEnum.handOut = nullptr;
        CXuChannel* before = c.hadChannel ? new CXuChannel : nullptr;
        pExt = before;

        EXPECT_EQ(s.Open(), 0);
        EXPECT_EQ(s.log, kNoHardware);
        EXPECT_EQ(pExt, nullptr) << "no camera accepted: no channel";
        EXPECT_TRUE(s.devEnum.categoryRight);
        EXPECT_EQ(s.devEnum.flags, 0u);
        EXPECT_EQ(s.name[0], kGuard);
    }
}

TEST(OpenCamera, EnumeratorCreationFailureStopsAtOnce) {
    Scene s;
    pExt = new CXuChannel;
    gCreateResult = REGDB_E_CLASSNOTREG;
    EXPECT_EQ(s.Open(), 0);
    EXPECT_EQ(s.log, kEnumeratorFail);
    EXPECT_EQ(pExt, nullptr);

    // The system's own enumerator, on a thread where COM was never started.
    EXPECT_EQ(SetCreateDevEnum(nullptr), &CreateFakeDevEnum);
    s.log.clear();
    EXPECT_EQ(s.Open(), 0);
    EXPECT_EQ(s.log, kEnumeratorFail);
    EXPECT_EQ(pExt, nullptr);
    EXPECT_TRUE(gComEvents.empty());
}

TEST(OpenCamera, EmptyCategoryNamesNoModel) {
    Scene s;
    EXPECT_EQ(s.Open(), 0);
    EXPECT_EQ(s.log, "NO Tarvex  Camera plugged in!\r\n");
    EXPECT_EQ(pExt, nullptr);
    std::vector<std::string> expected = {"release devenum", "reset", "next", "release enum"};
    EXPECT_EQ(gComEvents, expected);
}

TEST(OpenCamera, DeviceWithoutDriverInterfaceIsPassedOver) {
    // A channel left from before, holding an interface: deleted with it.
    FakeDriver earlier("earlier");
    Scene s;
    Device& d = s.Add(kNone, 0x6A);
    pExt = new CXuChannel;
    earlier.AddRef();
    pExt->AttachDriverInterface(&earlier);

    EXPECT_EQ(s.Open(), 0);
    EXPECT_EQ(s.log, kNotFound);
    EXPECT_EQ(pExt, nullptr);
    EXPECT_EQ(earlier.References(), 1u);
    ASSERT_EQ(d.filter.asked.size(), 2u);
    EXPECT_TRUE(SameGuid(d.filter.asked[0], kIidIDriverXu));
    EXPECT_TRUE(SameGuid(d.filter.asked[1], kIidIKsControl));
    EXPECT_EQ(s.name[0], kGuard);
}

TEST(OpenCamera, VerdictFollowsTheChipId) {
    struct Case {
        const char* label;
        Offers offers;
        BYTE chipId;
        HRESULT readResult;
        int32_t result;
        const char* log;
        ChannelMode mode;
    } cases[] = {
        {"driver 6A", kDriver, 0x6A, S_OK, 1, "Tarvex Camera (T+), ", ChannelMode::PrivateDriver},
        {"node 6A", kNode, 0x6A, S_OK, 1, "Tarvex Camera (UVC), ", ChannelMode::UvcNode},
        {"both 60", kBoth, 0x60, S_OK, 1, "Tarvex Camera (T+), ", ChannelMode::PrivateDriver},
        {"node 6F", kNode, 0x6F, S_OK, 1, "Tarvex Camera (UVC), ", ChannelMode::UvcNode},
        {"driver 90", kDriver, 0x90, S_OK, 0, kNotFound.c_str(), ChannelMode::None},
        {"driver 80", kDriver, 0x80, S_OK, 0, kNotFound.c_str(), ChannelMode::None},
        {"node 90", kNode, 0x90, S_OK, 0, kNotFound.c_str(), ChannelMode::None},
        {"node 80", kNode, 0x80, S_OK, 0, kNotFound.c_str(), ChannelMode::None},
        {"node 70", kNode, 0x70, S_OK, 0, kNotFound.c_str(), ChannelMode::None},
        {"driver read fails", kDriver, 0x6A, E_FAIL, 0, kNotFound.c_str(), ChannelMode::None},
        {"node read fails", kNode, 0x6A, E_FAIL, 0, kNotFound.c_str(), ChannelMode::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Scene s;
        Device& d = s.Add(c.offers, c.chipId);
        d.driver.readResult = c.readResult;
        d.ks.readResult = c.readResult;

        EXPECT_EQ(s.Open(), c.result);
        EXPECT_EQ(s.log, c.log);
        if (c.result == 1) {
            ASSERT_NE(pExt, nullptr);
            EXPECT_EQ(pExt->mode, c.mode);
            EXPECT_EQ(s.camera.camera.chipId, c.chipId);
            EXPECT_STREQ(s.name, "Tarvex USB Camera");
        } else {
            EXPECT_EQ(pExt, nullptr);
        }
    }
}

TEST(OpenCamera, PrivateDriverWinsAndTheNodeIsNeverTaken) {
    Scene s;
    Device& d = s.Add(kBoth, 0x6A);
    ASSERT_EQ(s.Open(), 1);
    ASSERT_EQ(d.filter.asked.size(), 1u);
    EXPECT_TRUE(SameGuid(d.filter.asked[0], kIidIDriverXu));
    EXPECT_TRUE(d.ks.calls.empty());
    EXPECT_EQ(d.driver.References(), 2u);  // the channel's
}

TEST(OpenCamera, OnlyAnExactS_OKCountsAsOffered) {
    Scene s;
    Device& d = s.Add(kBoth, 0x6A);
    d.filter.driverAnswer = S_FALSE;  // hands a reference out all the same
    ASSERT_EQ(s.Open(), 1);
    EXPECT_EQ(s.log, "Tarvex Camera (UVC), ");
    EXPECT_TRUE(d.driver.calls.empty());
    EXPECT_EQ(d.driver.References(), 1u);
}

TEST(OpenCamera, PrivateDriverChipIdFrames) {
    Scene s;
    Device& d = s.Add(kDriver, 0x6A);
    ASSERT_EQ(s.Open(), 1);
    ASSERT_EQ(d.driver.calls.size(), 3u);
    const std::vector<BYTE> address = {0x02, 0x00, 0x01, 0x02, 0xFF, 0x20, 0x00, 0x00};
    const std::vector<BYTE> read = {0x01, 0x00, 0x81, 0x03, 0x00, 0x00, 0x00, 0x00};
    const bool isRead[] = {false, false, true};
    const std::vector<BYTE>* heads[] = {&address, &read, &read};
    for (int i = 0; i < 3; ++i) {
        const FakeDriver::Call& call = d.driver.calls[i];
        EXPECT_EQ(call.read, isRead[i]) << i;
        EXPECT_EQ(call.size, 35u) << i;
        EXPECT_EQ(std::vector<BYTE>(call.bytes.begin(), call.bytes.begin() + 8), *heads[i]) << i;
    }
    EXPECT_EQ(d.driver.calls[2].frame, d.driver.calls[1].frame);
}

TEST(OpenCamera, UvcNodeChipIdRequests) {
    Scene s;
    Device& d = s.Add(kNode, 0x6A);
    ASSERT_EQ(s.Open(), 1);
    ASSERT_EQ(d.ks.calls.size(), 2u);
    const BYTE xuSet[16] = {0x82, 0x06, 0x61, 0x63, 0x70, 0x50, 0xAB, 0x49,
                            0xB8, 0xCC, 0xB3, 0x85, 0x5E, 0x8D, 0x22, 0x1D};
    const ULONG ids[] = {2, 3};
    const ULONG flags[] = {0x10000002, 0x10000001};
    const ULONG lengths[] = {2, 1};
    for (int i = 0; i < 2; ++i) {
        const FakeKsControl::Call& call = d.ks.calls[i];
        EXPECT_EQ(call.requestLength, 32u) << i;
        EXPECT_EQ(std::memcmp(&call.request.Property.Set, xuSet, 16), 0) << i;
        EXPECT_EQ(call.request.Property.Id, ids[i]) << i;
        EXPECT_EQ(call.request.Property.Flags, flags[i]) << i;
        EXPECT_EQ(call.request.NodeId, 2u) << i;
        EXPECT_EQ(call.request.Reserved, 0u) << i;
        EXPECT_EQ(call.dataLength, lengths[i]) << i;
    }
    EXPECT_EQ(d.ks.calls[0].sent, (std::vector<BYTE>{0xFF, 0x20}));
    // The value is read into the first byte of the address just sent.
    EXPECT_EQ(d.ks.calls[1].data, d.ks.calls[0].data);
    EXPECT_EQ(d.ks.calls[1].sent, std::vector<BYTE>{0xFF});
}

TEST(OpenCamera, RejectedCameraIsFollowedByTheAcceptedOne) {
    struct Case {
        const char* label;
        Offers first, second;
        ChannelMode mode;
    } cases[] = {
        {"driver, driver", kDriver, kDriver, ChannelMode::PrivateDriver},
        {"driver, node", kDriver, kNode, ChannelMode::UvcNode},
        {"node, driver", kNode, kDriver, ChannelMode::PrivateDriver},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Scene s;
        Device& rejected = s.Add(c.first, 0x12);
        Device& accepted = s.Add(c.second, 0x6A);
        accepted.bag.name = L"Second Camera";

        ASSERT_EQ(s.Open(), 1);
        EXPECT_EQ(pExt->mode, c.mode);
        EXPECT_EQ(s.camera.camera.chipId, 0x6A);
        EXPECT_STREQ(s.name, "Second Camera");
        EXPECT_EQ(rejected.bag.asked, std::vector<std::wstring>{L"DevicePath"});
        // A camera passed over is let go at once.
        ULONG held = c.first == kDriver ? rejected.driver.References() : rejected.ks.References();
        EXPECT_EQ(held, 1u);
        EXPECT_EQ(rejected.filter.References(), 1u);
        EXPECT_EQ(rejected.moniker.References(), 1u);

        // Requests from now on go to the accepted camera only.
        size_t before = rejected.driver.calls.size() + rejected.ks.calls.size();
        const BYTE on = 1;
        pExt->put_Property(9, 1, &on);
        EXPECT_EQ(rejected.driver.calls.size() + rejected.ks.calls.size(), before);
        EXPECT_EQ(accepted.driver.calls.size() + accepted.ks.calls.size(), c.second == kNode ? 3u : 4u);
    }
}

TEST(OpenCamera, BindFailureEndsTheSearch) {
    Scene s;
    s.Add(kDriver, 0x12);
    Device& broken = s.Add(kDriver, 0x6A);
    Device& later = s.Add(kDriver, 0x6A);
    broken.moniker.bindResult = E_FAIL;

    EXPECT_EQ(s.Open(), 0);
    EXPECT_EQ(s.log, kBindFail);
    EXPECT_TRUE(broken.moniker.bindArgumentsRight);
    EXPECT_EQ(s.classEnum.position, 2u);  // the later device never taken
    EXPECT_TRUE(later.driver.calls.empty());
    // No channel is left holding the device passed over before it.
    EXPECT_EQ(pExt, nullptr);
    std::vector<std::string> tail(gComEvents.end() - 2, gComEvents.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"release moniker2", "release enum"}));
    EXPECT_EQ(s.name[0], kGuard);
}

TEST(OpenCamera, BindFailureLeavesNoChannel) {
    Scene s;
    s.Add(kDriver, 0x6A).moniker.bindResult = E_NOINTERFACE;
    pExt = new CXuChannel;
    EXPECT_EQ(s.Open(), 0);
    EXPECT_EQ(s.log, kBindFail);
    EXPECT_EQ(pExt, nullptr);
}

TEST(OpenCamera, AcceptanceReadsTheNameAndReleasesInOrder) {
    // An existing channel is reused: the interface it held stays with it.
    FakeDriver earlier("earlier");
    Scene s;
    Device& d = s.Add(kNode, 0x6A);
    pExt = new CXuChannel;
    earlier.AddRef();
    pExt->AttachDriverInterface(&earlier);

    ASSERT_EQ(s.Open(), 1);
    EXPECT_EQ(earlier.References(), 2u);
    EXPECT_EQ(pExt->mode, ChannelMode::UvcNode);
    EXPECT_TRUE(d.moniker.bindArgumentsRight);
    EXPECT_TRUE(d.moniker.storageArgumentsRight);
    EXPECT_EQ(d.bag.asked, (std::vector<std::wstring>{L"DevicePath", L"FriendlyName"}));
    EXPECT_EQ(d.ks.References(), 2u);  // the channel's
    std::vector<std::string> tail(gComEvents.end() - 4, gComEvents.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"release bag1", "release ks1", "release moniker1",
                                              "release enum"}));
    s.camera.CloseChannel();
    EXPECT_EQ(earlier.References(), 1u);
}

TEST(OpenCamera, TheAcceptedCameraCarriesItsDeviceInstanceFromItsDevicePath) {
    // The property bag's device path first; the display name without one.
    for (std::wstring path : {L"\\\\?\\usb#vid_4271&pid_03d5#a1#{65e8773d-8f56-11d0-a3b9-00a0c9223196}", L""}) {
        Scene s;
        Device& d = s.Add(kDriver, 0x6A);
        d.bag.devicePath = path;
        d.moniker.displayName = L"@device:pnp:\\\\?\\usb#vid_4271&pid_03d5#b2#{65e8773d-8f56-11d0-a3b9-00a0c9223196}";
        ASSERT_EQ(s.Open(), 1);
        const std::string serial = path.empty() ? "B2" : "A1";
        EXPECT_EQ(s.camera.camera.instanceId, "USB\\VID_4271&PID_03D5\\" + serial);
        EXPECT_EQ(s.camera.camera.busPlace, "") << "no port the system gives: no place, never the instance";
        EXPECT_EQ(s.camera.camera.serial, serial);
        EXPECT_EQ(s.camera.camera.usb, (UsbIdentity{0x4271, 0x03D5, 0}));
    }
}

TEST(OpenCamera, FriendlyNameAlwaysFitsTheBuffer) {
    struct Case {
        const char* label;
        size_t length;
        size_t stored;
        HRESULT readResult;
        VARTYPE type;
        bool bagBound;
    } cases[] = {
        {"empty", 0, 0, S_OK, VT_BSTR, true},
        {"79", 79, 79, S_OK, VT_BSTR, true},
        {"80", 80, 79, S_OK, VT_BSTR, true},
        {"500", 500, 79, S_OK, VT_BSTR, true},
        {"read fails", 20, 0, E_FAIL, VT_BSTR, true},
        {"no string", 20, 0, S_OK, VT_EMPTY, true},
        {"no property bag", 20, 0, S_OK, VT_BSTR, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Scene s;
        Device& d = s.Add(kDriver, 0x6A);
        d.bag.name.clear();
        for (size_t i = 0; i < c.length; ++i) d.bag.name += wchar_t(L'A' + i % 26);
        d.bag.readResult = c.readResult;
        d.bag.type = c.type;
        if (!c.bagBound) d.moniker.bag = nullptr;

        EXPECT_EQ(s.Open(), 1);
        ASSERT_EQ(std::strlen(s.name), c.stored);
        for (size_t i = 0; i < c.stored; ++i) ASSERT_EQ(s.name[i], char('A' + i % 26)) << i;
    }
}

}  // namespace
