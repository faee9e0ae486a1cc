// The SPI engine: select polarity per chip family, the on switch, busy
// polls and the received byte, and the identification answers of every part.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "spi_bus.h"

namespace simcam_test {
namespace {

using simcam::FlashPart;
using simcam::SimCamera;

using Bytes = std::vector<uint8_t>;

class SpiEngine : public ::testing::TestWithParam<Path> {};

TEST_P(SpiEngine, SelectPolarityFollowsTheChipFamily) {
    struct Case {
        uint8_t chipId;
        bool selectsOnZero;
    };
    const Case cases[] = {{0x65, false}, {0x60, false}, {0x93, false}, {0x83, true}, {0x8F, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chipId);
        for (bool right : {true, false}) {
            SimCamera cam;
            cam.SetChipId(c.chipId);
            Host host(cam, GetParam());
            SpiBus bus(host, right ? c.selectsOnZero : !c.selectsOnZero);
            EXPECT_EQ(bus.Command({0x9F}, 3), right ? Bytes({0xC2, 0x20, 0x10}) : Bytes({0xFF, 0xFF, 0xFF}));
            bus.Command({0x06});  // write enable takes effect at deselect
            EXPECT_EQ((cam.FlashStatus() & 0x02) != 0, right);
        }
    }
}

TEST_P(SpiEngine, BytesSentWhileOffGoNowhere) {
    SimCamera cam;
    Host host(cam, GetParam());
    SpiBus bus(host);
    host.WriteReg(0x2020, 0x00);
    bus.Command({0x06});
    EXPECT_EQ(cam.FlashStatus(), 0x00);
    EXPECT_EQ(bus.Command({0x9F}, 1), Bytes({0x00}));  // the receive did not run either
    host.WriteReg(0x2020, 0x80);
    bus.Command({0x06});
    EXPECT_EQ(cam.FlashStatus(), 0x02);
}

TEST_P(SpiEngine, BusyPollsCountAndBytesSentWhileBusyAreLost) {
    SimCamera cam;
    cam.SetBusyPolls(3);
    Host host(cam, GetParam());
    SpiBus bus(host);
    bus.Select();
    host.WriteReg(0x2022, 0x06);
    Bytes polls;
    for (int i = 0; i < 5; ++i) polls.push_back(host.ReadReg(0x2021));
    EXPECT_EQ(polls, Bytes({1, 1, 1, 0, 0}));
    bus.Deselect();
    EXPECT_EQ(cam.FlashStatus(), 0x02);

    // Write disable, then a byte pushed without waiting: it is dropped, so
    // the command ends after one byte and takes effect.
    bus.Select();
    host.WriteReg(0x2022, 0x04);
    host.WriteReg(0x2022, 0x00);
    bus.WaitIdle();
    bus.Deselect();
    EXPECT_EQ(cam.FlashStatus(), 0x00);
}

TEST_P(SpiEngine, ReceivedByteLandsWhenTheEngineIsSeenIdle) {
    SimCamera cam;
    cam.SetBusyPolls(1);
    Host host(cam, GetParam());
    SpiBus bus(host);
    bus.Select();
    bus.Send(0x9F);
    EXPECT_EQ(host.ReadReg(0x2023), 0x00);
    EXPECT_EQ(host.ReadReg(0x2024), 0x00);  // not yet
    EXPECT_EQ(host.ReadReg(0x2021), 1);
    EXPECT_EQ(host.ReadReg(0x2021), 0);
    EXPECT_EQ(host.ReadReg(0x2024), 0xC2);
    bus.Deselect();
}

TEST_P(SpiEngine, StuckBusyFromACall) {
    SimCamera cam;
    Host host(cam, GetParam());
    SpiBus bus(host);
    const size_t k = cam.Calls().size() + 30;
    cam.StickBusyFromCall(k);
    size_t lastIdle = 0;
    for (int i = 0; i < 100 && host.ReadReg(0x2021) == 0; ++i) lastIdle = cam.Calls().back().index;
    EXPECT_LT(lastIdle, k);
    EXPECT_GE(cam.Calls().back().index, k);
    EXPECT_FALSE(bus.WaitIdle(20));
    bus.Command({0x06});
    EXPECT_EQ(cam.FlashStatus(), 0x00);  // nothing shifted while stuck
}

INSTANTIATE_TEST_SUITE_P(BothPaths, SpiEngine, ::testing::Values(Path::KsNode, Path::DriverXu),
                         [](const ::testing::TestParamInfo<Path>& i) { return PathName(i.param); });

struct IdRow {
    FlashPart part;
    const char* name;
    Bytes id90, idAB, id9F;
};

// The updater's road: 0x90; only if blank, 0xAB; then 0x9F.
std::string Road(const IdRow& r) {
    const Bytes zeros(3, 0x00), ones(3, 0xFF);
    if (r.id90 == Bytes({0xC2, 0x05, 0xC2})) return "Type0";
    if (r.id90 == Bytes({0xBF, 0x48, 0xBF})) return "Type1";
    if (r.id90 == Bytes({0x9D, 0x05, 0x7F})) return "Type2a";
    if (r.id90 == Bytes({0x1C, 0x05, 0x1C})) return "Type3";
    if (r.id90 == Bytes({0x42, 0x05, 0xC2})) return "Type4";
    if (r.id90 != zeros && r.id90 != ones) return "Unknown";
    if (r.idAB == Bytes({0x9D, 0x7B, 0x7F})) return "Type2b";
    if (r.id9F == Bytes({0x1F, 0x65, 0x00})) return "Type5";
    if (r.id9F[0] == 0xC2 && r.id9F[1] == 0x22) return "Type6";
    return r.id9F == zeros ? "Blank00" : r.id9F == ones ? "BlankFF" : "Unknown";
}

TEST(FlashIdentity, EveryPartAnswersItsRowAndNoOther) {
    const IdRow rows[] = {
        {FlashPart::Type0, "Type0", {0xC2, 0x05, 0xC2}, {0x05, 0x05, 0x05}, {0xC2, 0x20, 0x10}},
        {FlashPart::Type1, "Type1", {0xBF, 0x48, 0xBF}, {0xBF, 0x48, 0xBF}, {0xFF, 0xFF, 0xFF}},
        {FlashPart::Type2a, "Type2a", {0x9D, 0x05, 0x7F}, {0x9D, 0x7B, 0x7F}, {0x9D, 0x7F, 0x7B}},
        {FlashPart::Type2b, "Type2b", {0x00, 0x00, 0x00}, {0x9D, 0x7B, 0x7F}, {0x9D, 0x7F, 0x7B}},
        {FlashPart::Type3, "Type3", {0x1C, 0x05, 0x1C}, {0x05, 0x05, 0x05}, {0x1C, 0x31, 0x10}},
        {FlashPart::Type4, "Type4", {0x42, 0x05, 0xC2}, {0x05, 0x05, 0x05}, {0x42, 0x20, 0x10}},
        {FlashPart::Type5, "Type5", {0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF}, {0x1F, 0x65, 0x00}},
        {FlashPart::Type6, "Type6", {0x00, 0x00, 0x00}, {0x11, 0x11, 0x11}, {0xC2, 0x22, 0x10}},
        {FlashPart::Blank00, "Blank00", {0x00, 0x00, 0x00}, {0x00, 0x00, 0x00}, {0x00, 0x00, 0x00}},
        {FlashPart::BlankFF, "BlankFF", {0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF}},
        {FlashPart::Unknown, "Unknown", {0xEF, 0x30, 0xEF}, {0x10, 0x10, 0x10}, {0xEF, 0x30, 0x10}},
    };
    for (const IdRow& r : rows) {
        SCOPED_TRACE(r.name);
        SimCamera cam;
        cam.SetFlashPart(r.part);
        Host host(cam, Path::KsNode);
        SpiBus bus(host);
        EXPECT_EQ(bus.Command({0x90, 0, 0, 0}, 3), r.id90);
        EXPECT_EQ(bus.Command({0xAB, 0, 0, 0}, 3), r.idAB);
        EXPECT_EQ(bus.Command({0x9F}, 3), r.id9F);
        EXPECT_EQ(Road(r), r.name);
    }
    SimCamera cam;
    cam.SetFlashPart(FlashPart::Type6);
    cam.SetJedecThirdByte(0x42);
    Host host(cam, Path::KsNode);
    SpiBus bus(host);
    EXPECT_EQ(bus.Command({0x9F}, 3), Bytes({0xC2, 0x22, 0x42}));
}

}  // namespace
}  // namespace simcam_test
