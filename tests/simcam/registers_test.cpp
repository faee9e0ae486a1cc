// The register spaces, the sensor identity and the download-enable control,
// the same through either path.
#include <vector>

#include <gtest/gtest.h>

#include "host.h"

namespace simcam_test {
namespace {

using simcam::SimCamera;

class Registers : public ::testing::TestWithParam<Path> {};

TEST_P(Registers, ByteSpaceIsMemoryButForTheChipIdentity) {
    SimCamera cam;
    Host host(cam, GetParam());
    const uint16_t addresses[] = {0x0000, 0x1234, 0x201F, 0x2026, 0x2100, 0xFFFF};
    for (uint16_t a : addresses) {
        ASSERT_EQ(host.WriteReg(a, static_cast<uint8_t>(a ^ 0x5A)), S_OK);
    }
    for (uint16_t a : addresses) {
        EXPECT_EQ(host.ReadReg(a), static_cast<uint8_t>(a ^ 0x5A)) << a;
        EXPECT_EQ(cam.Reg(a), static_cast<uint8_t>(a ^ 0x5A)) << a;
    }
    EXPECT_EQ(host.ReadReg(0x20FF), 0x65);
    EXPECT_EQ(host.WriteReg(0x20FF, 0x12), S_OK);  // accepted, ignored
    EXPECT_EQ(host.ReadReg(0x20FF), 0x65);
    cam.SetChipId(0x83);
    EXPECT_EQ(host.ReadReg(0x20FF), 0x83);

    EXPECT_EQ(host.ReadReg(0x2045), 0x00);
    cam.SetReg2045(0x40);
    EXPECT_EQ(host.ReadReg(0x2045), 0x40);
    ASSERT_EQ(host.WriteReg(0x2045, 0x07), S_OK);
    EXPECT_EQ(host.ReadReg(0x2045), 0x07);
}

TEST_P(Registers, AddressesAreLittleEndianAndReadBack) {
    SimCamera cam;
    Host host(cam, GetParam());
    cam.SetReg(0x3412, 0x99);
    cam.SetReg(0x1234, 0x11);
    ASSERT_EQ(host.Set(2, {0x12, 0x34}), S_OK);
    std::vector<uint8_t> out;
    ASSERT_EQ(host.Get(3, 1, &out), S_OK);
    EXPECT_EQ(out[0], 0x99);
    ASSERT_EQ(host.Get(2, 2, &out), S_OK);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x12, 0x34}));

    ASSERT_EQ(host.WriteWide(0x0102, 0xBEEF), S_OK);
    EXPECT_EQ(cam.WideReg(0x0102), 0xBEEF);
    EXPECT_EQ(cam.WideReg(0x0201), 0x0000);
    ASSERT_EQ(host.Get(5, 2, &out), S_OK);
    EXPECT_EQ(out, (std::vector<uint8_t>{0xEF, 0xBE}));
}

TEST_P(Registers, SensorAnswersOnlyOnItsPage) {
    struct Case {
        uint16_t page;
        bool fitted;
        uint16_t expected;
    };
    const Case cases[] = {
        {0x7000, true, 0x06AA}, {0x7000, false, 0x0000},
        {0x0000, true, 0x0000}, {0x7001, true, 0x0000}, {0x0070, true, 0x0000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        SimCamera cam;
        cam.SetSensorFitted(c.fitted);
        Host host(cam, GetParam());
        ASSERT_EQ(host.WriteWide(0xFCFC, c.page), S_OK);
        EXPECT_EQ(host.ReadWide(0x0152), c.expected);
        EXPECT_EQ(host.ReadWide(0xFCFC), c.page);
    }
}

TEST_P(Registers, DownloadEnableKeepsValueAndHistory) {
    SimCamera cam;
    Host host(cam, GetParam());
    EXPECT_FALSE(cam.EngineEnabled());
    for (uint8_t v : {3, 1, 0}) ASSERT_EQ(host.Set(9, {v}), S_OK);
    EXPECT_EQ(cam.EnableHistory(), (std::vector<uint8_t>{3, 1, 0}));
    EXPECT_EQ(cam.DownloadEnable(), 0);
    EXPECT_FALSE(cam.EngineEnabled());
    ASSERT_EQ(host.Set(9, {3}), S_OK);
    EXPECT_TRUE(cam.EngineEnabled());
    std::vector<uint8_t> out;
    ASSERT_EQ(host.Get(9, 1, &out), S_OK);
    EXPECT_EQ(out[0], 3);
}

INSTANTIATE_TEST_SUITE_P(BothPaths, Registers, ::testing::Values(Path::KsNode, Path::DriverXu),
                         [](const ::testing::TestParamInfo<Path>& i) { return PathName(i.param); });

}  // namespace
}  // namespace simcam_test
