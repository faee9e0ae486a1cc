#include <gtest/gtest.h>

#include <vector>

#include "chip/cam_device.h"
#include "link/xu_channel.h"
#include "simcam/sim_camera.h"
#include "tests/support/sim_device.h"
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

// On the KS path one request is one driver call, so a failing call names a
// request of the sequence directly.
TEST(SensorBringUp, AbortStepsStopAtTheirFailureGoOnStepsDoNot) {
    const struct {
        const char* name;
        size_t failingCall;
        int32_t result;
        size_t requests;
    } cases[] = {
        {"step 1 value write", 1, 0, 2},
        {"step 1 address only", 0, 1, kBringUpRequests},
        {"step 12 value write", 23, 0, 24},
        {"step 13 read of 0x2015", 25, 1, kBringUpRequests},
        {"step 15 write of 0x2043", 35, 1, kBringUpRequests},
        {"step 27 value write", 65, 0, 66},
        {"step 28 read of 0x2781", 67, 0, 68},
        {"step 28 write of 0x2781", 69, 0, 70},
        {"step 33 read of 0x2015", 79, 0, 80},
        {"step 39 write of 0x2041", 95, 1, kBringUpRequests},
        {"step 40 value write", 97, 0, 98},
        {"step 41 read of 0x2043", 99, 1, kBringUpRequests},
    };
    for (const auto& c : cases) {
        SimDevice d(simcam::Path::KsNode);
        VirtualClock clock;
        ScopedClock scoped(&clock);
        d.sim.FailCallOnce(c.failingCall);
        EXPECT_EQ(d.device.SensorBringUp(), c.result) << c.name;
        EXPECT_EQ(d.sim.Requests().size(), c.requests) << c.name;
    }
}

TEST(SensorBringUp, AFailedSetBitsReadStillWritesTheRegister) {
    SimDevice d(simcam::Path::KsNode);
    VirtualClock clock;
    ScopedClock scoped(&clock);
    d.sim.SetReg(0x2015, 0x80);
    d.sim.FailCallOnce(25);  // the read of 0x2015 in step 13
    EXPECT_EQ(d.device.SensorBringUp(), 1);
    auto requests = d.sim.Requests();
    ASSERT_GT(requests.size(), 27u);
    EXPECT_EQ(requests[26].selector, 2u);
    EXPECT_EQ(requests[26].bytes, (std::vector<uint8_t>{0x15, 0x20}));
    EXPECT_EQ(requests[27].selector, 3u);
    EXPECT_EQ(requests[27].bytes, (std::vector<uint8_t>{0x01})) << "a failed read counts as 0";
}

TEST(SensorBringUp, AnUnpluggedCameraEndsItAtTheFirstAbortStep) {
    SimDevice d(simcam::Path::DriverXu);
    VirtualClock clock;
    ScopedClock scoped(&clock);
    d.sim.FailFromCall(0);
    EXPECT_EQ(d.device.SensorBringUp(), 0);
    EXPECT_EQ(d.sim.Requests().size(), 2u);
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST(ProbeSensorId, AnswersOneOnlyForTheExpectedSensor) {
    const struct {
        const char* name;
        simcam::Path path;
        bool fitted;
        long failingRequest;  // -1: none
        int32_t result;
        size_t requests;
    } cases[] = {
        {"fitted, KS", simcam::Path::KsNode, true, -1, 1, 6},
        {"fitted, driver", simcam::Path::DriverXu, true, -1, 1, 6},
        {"not fitted", simcam::Path::KsNode, false, -1, 0, 6},
        {"page write fails", simcam::Path::KsNode, true, 1, 0, 2},
        {"page read-back fails", simcam::Path::KsNode, true, 3, 0, 4},
        {"identity read fails", simcam::Path::KsNode, true, 5, 0, 6},
    };
    for (const auto& c : cases) {
        SimDevice d(c.path);
        d.sim.SetSensorFitted(c.fitted);
        if (c.failingRequest >= 0) d.sim.FailCallOnce(size_t(c.failingRequest));
        EXPECT_EQ(d.device.ProbeSensorId(), c.result) << c.name;
        EXPECT_EQ(d.sim.Requests().size(), c.requests) << c.name;
    }
}

}  // namespace
