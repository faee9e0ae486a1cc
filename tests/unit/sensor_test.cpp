#include <gtest/gtest.h>

#include <vector>

#include "chip/cam_device.h"
#include "link/xu_channel.h"
#include "simcam/sim_camera.h"
#include "tests/support/rig_device.h"
#include "tests/support/virtual_clock.h"

namespace {

constexpr size_t kBringUpRequests = 102;

// Records how many requests had been made when each pause began.
struct PauseClock : VirtualClock {
    explicit PauseClock(simcam::SimCamera& s) : sim(s) {}
    void Sleep(uint32_t ms) override {
        requestsAtPause.push_back(sim.Requests().size());
        VirtualClock::Sleep(ms);
    }
    simcam::SimCamera& sim;
    std::vector<size_t> requestsAtPause;
};

class BringUpOnEachPath : public ::testing::TestWithParam<simcam::Path> {};

TEST_P(BringUpOnEachPath, RunsAllStepsWithSixPausesInTheirPlaces) {
    SimDevice d(GetParam());
    d.sim.SetReg(0x2015, 0x80);
    PauseClock clock(d.sim);
    ScopedClock scoped(&clock);

    EXPECT_EQ(d.device.SensorBringUp(), 1);
    EXPECT_EQ(d.sim.Requests().size(), kBringUpRequests);
    EXPECT_EQ(clock.sleeps, std::vector<uint32_t>(6, 500));
    // After steps 15, 19, 22, 25, 28 and 31.
    EXPECT_EQ(clock.requestsAtPause, (std::vector<size_t>{36, 48, 56, 64, 70, 78}));

    const struct {
        uint16_t reg;
        uint8_t value;
    } after[] = {
        {0x2600, 0x78}, {0x2602, 0x00}, {0x2605, 0x20}, {0x2610, 0x01}, {0x2611, 0x06},
        {0x2613, 0xAA}, {0x2781, 0x00}, {0x2782, 0x00}, {0x278D, 0x48}, {0x2790, 0x00},
        {0x27B0, 0x10}, {0x2003, 0x3F}, {0x2004, 0x3F}, {0x2005, 0x07}, {0x2010, 0x01},
        {0x20B9, 0x00}, {0x20B4, 0x22}, {0x2015, 0x80}, {0x2039, 0x01}, {0x2041, 0x0A},
        {0x2042, 0x03}, {0x2043, 0x0A}, {0x2044, 0x03}, {0x2056, 0x01}, {0x2057, 0x01},
    };
    for (const auto& r : after) EXPECT_EQ(d.sim.Reg(r.reg), r.value) << std::hex << r.reg;
}

INSTANTIATE_TEST_SUITE_P(Paths, BringUpOnEachPath,
                         ::testing::Values(simcam::Path::KsNode, simcam::Path::DriverXu));

// A register access of the bring-up: the nth (from 0) write or read of reg.
struct Access {
    bool write;
    uint16_t reg;
    size_t nth;
    bool address;  // the access's address request rather than its value
};

// The requests of a clean bring-up on the KS path, where one request is
// one driver call, and the number of the call that makes an access.
std::vector<simcam::Request> CleanBringUp() {
    ClockedSimDevice clean(simcam::Path::KsNode);
    clean.device.SensorBringUp();
    return clean.sim.Requests();
}

size_t CallOf(const std::vector<simcam::Request>& requests, const Access& a) {
    uint16_t address = 0;
    size_t seen = 0;
    for (size_t i = 0; i < requests.size(); ++i) {
        const simcam::Request& r = requests[i];
        if (r.selector == 2 && r.kind == simcam::Kind::Set && r.bytes.size() == 2)
            address = uint16_t(r.bytes[0] | r.bytes[1] << 8);
        const bool write = r.kind == simcam::Kind::Set;
        if (r.selector == 3 && write == a.write && address == a.reg && seen++ == a.nth)
            return a.address ? i - 1 : i;
    }
    return requests.size();
}

TEST(SensorBringUp, AbortStepsStopAtTheirFailureGoOnStepsDoNot) {
    const struct {
        const char* name;
        Access failing;
        bool aborts;  // 0 at once; else the bring-up goes on to its end and answers 1
    } cases[] = {
        {"step 1 value write", {true, 0x2600, 0, false}, true},
        {"step 1 address only", {true, 0x2600, 0, true}, false},
        {"step 12 value write", {true, 0x2003, 0, false}, true},
        {"step 13 read of 0x2015", {false, 0x2015, 0, false}, false},
        {"step 15 write of 0x2043", {true, 0x2043, 0, false}, false},
        {"step 27 value write", {true, 0x2003, 1, false}, true},
        {"step 28 read of 0x2781", {false, 0x2781, 0, false}, true},
        {"step 28 write of 0x2781", {true, 0x2781, 1, false}, true},
        {"step 33 read of 0x2015", {false, 0x2015, 1, false}, true},
        {"step 39 write of 0x2041", {true, 0x2041, 2, false}, false},
        {"step 40 value write", {true, 0x20B4, 0, false}, true},
        {"step 41 read of 0x2043", {false, 0x2043, 2, false}, false},
    };
    const auto clean = CleanBringUp();
    ASSERT_EQ(clean.size(), kBringUpRequests);
    for (const auto& c : cases) {
        const size_t failing = CallOf(clean, c.failing);
        ASSERT_LT(failing, clean.size()) << c.name;
        ClockedSimDevice d(simcam::Path::KsNode);
        d.sim.FailCallOnce(failing);
        EXPECT_EQ(d.device.SensorBringUp(), c.aborts ? 0 : 1) << c.name;
        EXPECT_EQ(d.sim.Requests().size(), c.aborts ? failing + 1 : kBringUpRequests) << c.name;
    }
}

TEST(SensorBringUp, AFailedSetBitsReadStillWritesTheRegister) {
    const size_t read = CallOf(CleanBringUp(), {false, 0x2015, 0, false});  // step 13
    ClockedSimDevice d(simcam::Path::KsNode);
    d.sim.SetReg(0x2015, 0x80);
    d.sim.FailCallOnce(read);
    EXPECT_EQ(d.device.SensorBringUp(), 1);
    auto requests = d.sim.Requests();
    ASSERT_GT(requests.size(), read + 2);
    EXPECT_EQ(requests[read + 1].selector, 2u);
    EXPECT_EQ(requests[read + 1].bytes, (std::vector<uint8_t>{0x15, 0x20}));
    EXPECT_EQ(requests[read + 2].selector, 3u);
    EXPECT_EQ(requests[read + 2].bytes, (std::vector<uint8_t>{0x01})) << "a failed read counts as 0";
}

TEST(SensorBringUp, AnUnpluggedCameraEndsItAtTheFirstAbortStep) {
    ClockedSimDevice d(simcam::Path::DriverXu);
    d.sim.FailFromCall(0);
    EXPECT_EQ(d.device.SensorBringUp(), 0);
    EXPECT_EQ(d.sim.Requests().size(), 2u);
    EXPECT_TRUE(d.clock.sleeps.empty());
}

TEST(ProbeSensorId, AnswersOneOnlyForTheExpectedSensor) {
    // The probe's wide-register transfers (selector 5) in a clean run on
    // the KS path: the page write, the page read-back, the identity read.
    std::vector<simcam::Request> clean;
    {
        SimDevice d(simcam::Path::KsNode);
        d.device.ProbeSensorId();
        clean = d.sim.Requests();
    }
    const size_t none = clean.size();
    const size_t pageWrite = FindRequest(clean, 5, simcam::Kind::Set);
    const size_t pageRead = FindRequest(clean, 5, simcam::Kind::Get);
    const size_t idRead = FindRequest(clean, 5, simcam::Kind::Get, 1);
    ASSERT_LT(idRead, clean.size());
    const struct {
        const char* name;
        simcam::Path path;
        bool fitted;
        size_t failing;  // none: no call fails
        int32_t result;
    } cases[] = {
        {"fitted, KS", simcam::Path::KsNode, true, none, 1},
        {"fitted, driver", simcam::Path::DriverXu, true, none, 1},
        {"not fitted", simcam::Path::KsNode, false, none, 0},
        {"page write fails", simcam::Path::KsNode, true, pageWrite, 0},
        {"page read-back fails", simcam::Path::KsNode, true, pageRead, 0},
        {"identity read fails", simcam::Path::KsNode, true, idRead, 0},
    };
    for (const auto& c : cases) {
        SimDevice d(c.path);
        d.sim.SetSensorFitted(c.fitted);
        if (c.failing != none) d.sim.FailCallOnce(c.failing);
        EXPECT_EQ(d.device.ProbeSensorId(), c.result) << c.name;
        // A failure ends the probe at once; the whole probe is six requests.
        EXPECT_EQ(d.sim.Requests().size(), c.failing != none ? c.failing + 1 : 6u) << c.name;
    }
}

}  // namespace
