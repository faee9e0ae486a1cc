// The KS path: request validation, the length query, COM lifetime.
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "host.h"

namespace simcam_test {
namespace {

using simcam::SimCamera;

constexpr HRESULT kWrongSet = static_cast<HRESULT>(0x80070492u);
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070490u);

struct KsCase {
    const char* name;
    std::function<void(KsRequest&, ULONG& propertyLength, std::vector<uint8_t>& data)> mutate;
    HRESULT expected;
};

// Each case spoils one part of an otherwise good SET of selector 2; the
// register address must then stay as it was.
TEST(KsPort, MalformedRequestsFailAndChangeNothing) {
    const std::vector<KsCase> cases = {
        {"wrong set", [](KsRequest& r, ULONG&, std::vector<uint8_t>&) { r.raw[15] ^= 1; }, kWrongSet},
        {"no topology flag", [](KsRequest& r, ULONG&, std::vector<uint8_t>&) { Put32(r.raw + 20, 2); }, E_INVALIDARG},
        {"neither get nor set", [](KsRequest& r, ULONG&, std::vector<uint8_t>&) { Put32(r.raw + 20, 0x10000000); }, E_INVALIDARG},
        {"both get and set", [](KsRequest& r, ULONG&, std::vector<uint8_t>&) { Put32(r.raw + 20, 0x10000003); }, E_INVALIDARG},
        {"wrong node", [](KsRequest& r, ULONG&, std::vector<uint8_t>&) { Put32(r.raw + 24, 3); }, E_INVALIDARG},
        {"short property", [](KsRequest&, ULONG& n, std::vector<uint8_t>&) { n = 24; }, E_INVALIDARG},
        {"selector 1", [](KsRequest& r, ULONG&, std::vector<uint8_t>&) { Put32(r.raw + 16, 1); }, kNotFound},
        {"selector 6", [](KsRequest& r, ULONG&, std::vector<uint8_t>&) { Put32(r.raw + 16, 6); }, kNotFound},
        {"selector 13", [](KsRequest& r, ULONG&, std::vector<uint8_t>&) { Put32(r.raw + 16, 13); }, kNotFound},
        {"selector 0x102", [](KsRequest& r, ULONG&, std::vector<uint8_t>&) { Put32(r.raw + 16, 0x102); }, kNotFound},
        {"data too short", [](KsRequest&, ULONG&, std::vector<uint8_t>& d) { d.resize(1); }, kGenFailure},
        {"data too long", [](KsRequest&, ULONG&, std::vector<uint8_t>& d) { d.push_back(0); }, kGenFailure},
    };
    for (const KsCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimCamera cam;
        Host host(cam, Path::KsNode);
        ASSERT_EQ(host.Set(2, {0x11, 0x22}), S_OK);
        KsRequest req(2, kKsSet);
        ULONG propertyLength = 32;
        std::vector<uint8_t> data = {0x34, 0x12};
        c.mutate(req, propertyLength, data);
        ULONG returned = 77;
        HRESULT hr = host.ks()->KsProperty(req.get(), propertyLength, data.data(),
                                           static_cast<ULONG>(data.size()), &returned);
        EXPECT_EQ(hr, c.expected);
        EXPECT_EQ(returned, 0u);
        EXPECT_EQ(cam.Calls().back().result, c.expected);
        std::vector<uint8_t> address;
        ASSERT_EQ(host.Get(2, 2, &address), S_OK);
        EXPECT_EQ(address, (std::vector<uint8_t>{0x11, 0x22}));
    }
}

TEST(KsPort, NullPointersAndUnsupportedCalls) {
    SimCamera cam;
    Host host(cam, Path::KsNode);
    KsRequest req(2, kKsGet);
    uint8_t out[2] = {};
    ULONG returned = 0;
    EXPECT_EQ(host.ks()->KsProperty(req.get(), 32, out, 2, nullptr), E_POINTER);
    EXPECT_EQ(host.ks()->KsProperty(nullptr, 32, out, 2, &returned), E_POINTER);
    EXPECT_EQ(host.ks()->KsProperty(req.get(), 32, nullptr, 2, &returned), E_POINTER);
    EXPECT_EQ(host.ks()->KsMethod(req.get(), 32, nullptr, 0, &returned), E_NOTIMPL);
    EXPECT_EQ(host.ks()->KsEvent(req.get(), 32, nullptr, 0, &returned), E_NOTIMPL);
    EXPECT_EQ(cam.Calls().size(), 3u);  // KsMethod and KsEvent are no driver calls
}

TEST(KsPort, LengthQueryAnswersMoreDataWithTheLength) {
    SimCamera cam;
    cam.SetPacketLength(69);
    Host host(cam, Path::KsNode);
    KsRequest req(10, kKsGet);
    ULONG returned = 0;
    EXPECT_EQ(host.ks()->KsProperty(req.get(), 32, nullptr, 0, &returned), kMoreData);
    EXPECT_EQ(returned, 69u);
    KsRequest unknown(13, kKsGet);
    EXPECT_EQ(host.ks()->KsProperty(unknown.get(), 32, nullptr, 0, &returned), kNotFound);
    EXPECT_EQ(returned, 0u);
}

TEST(KsPort, GetFillsTheBufferAndReportsItsLength) {
    SimCamera cam;
    Host host(cam, Path::KsNode);
    ASSERT_EQ(host.Set(4, {0xFC, 0xFC}), S_OK);
    KsRequest req(4, kKsGet);
    uint8_t out[2] = {};
    ULONG returned = 0;
    ASSERT_EQ(host.ks()->KsProperty(req.get(), 32, out, 2, &returned), S_OK);
    EXPECT_EQ(returned, 2u);
    EXPECT_EQ(out[0], 0xFC);
    EXPECT_EQ(out[1], 0xFC);
    // A larger property buffer than a KSP_NODE is fine.
    uint8_t bigger[40] = {};
    std::memcpy(bigger, req.raw, 32);
    EXPECT_EQ(host.ks()->KsProperty(reinterpret_cast<PKSPROPERTY>(bigger), 40, out, 2, &returned),
              S_OK);
}

TEST(KsPort, NodeIdIsConfigurable) {
    SimCamera cam;
    cam.SetNodeId(5);
    Host host(cam, Path::KsNode);
    EXPECT_EQ(host.Set(2, {1, 2}), E_INVALIDARG);  // the host helper speaks to node 2
    KsRequest req(2, kKsSet, 5);
    uint8_t data[2] = {1, 2};
    ULONG returned = 0;
    EXPECT_EQ(host.ks()->KsProperty(req.get(), 32, data, 2, &returned), S_OK);
}

// Basic support into a ULONG: the access flags from the control table, as a
// UVC camera answers GET_INFO; a stalled one and a wrong size answer nothing.
TEST(KsPort, BasicSupportAnswersTheControlsDirections) {
    const struct { uint32_t selector; ULONG size; bool stall; HRESULT hr; uint32_t flags; } cases[] = {
        {2, 4, false, S_OK, 3},  {11, 4, false, S_OK, 1},          {12, 4, false, S_OK, 2},
        {13, 4, false, kNotFound, 0}, {3, 4, true, kGenFailure, 0}, {3, 1, false, E_INVALIDARG, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selector);
        SimCamera cam;
        if (c.stall) cam.StallInfo(c.selector);
        Host host(cam, Path::KsNode);
        KsRequest req(c.selector, 0x10000200);
        uint8_t out[4] = {};
        ULONG returned;
        EXPECT_EQ(host.ks()->KsProperty(req.get(), 32, out, c.size, &returned), c.hr);
        EXPECT_EQ(Get32(out), c.flags);
        EXPECT_EQ(cam.Requests().at(0).kind, simcam::Kind::Info);
    }
}

}  // namespace
}  // namespace simcam_test
