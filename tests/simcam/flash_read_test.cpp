// The flash read path (selectors 14 and 15) and flash images on disk.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host.h"

namespace simcam_test {
namespace {

using simcam::FlashPart;
using simcam::SimCamera;

using Bytes = std::vector<uint8_t>;

class FlashRead : public ::testing::TestWithParam<Path> {};

TEST_P(FlashRead, AnswersBlocksFromTheAddressAndWraps) {
    struct Case {
        uint32_t address;
        uint32_t block;
        uint32_t firstIndex;  // the flash index of the first byte answered
    };
    const Case cases[] = {
        {0x0000, 4096, 0x0000}, {0x1234, 16, 0x1234}, {0xFFF8, 16, 0xFFF8}, {0x10010, 8, 0x0010},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        SimCamera cam;
        for (size_t i = 0; i < cam.Flash().size(); ++i)
            cam.Flash()[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
        cam.SetBlockLength(c.block);
        Host host(cam, GetParam());
        Bytes address(4);
        Put32(address.data(), c.address);
        ASSERT_EQ(host.Set(14, address), S_OK);
        EXPECT_EQ(cam.FlashReadAddress(), c.address);
        Bytes out;
        ASSERT_EQ(host.Get(15, c.block, &out), S_OK);
        Bytes expected;
        for (uint32_t i = 0; i < c.block; ++i) expected.push_back(cam.Flash()[(c.firstIndex + i) & 0xFFFF]);
        EXPECT_TRUE(out == expected);
        ASSERT_EQ(host.Get(15, c.block, &out), S_OK);  // the address does not move
        EXPECT_TRUE(out == expected);
    }
}

TEST_P(FlashRead, BlankPartsReadTheirLevel) {
    for (FlashPart part : {FlashPart::Blank00, FlashPart::BlankFF}) {
        SimCamera cam;
        cam.SetFlashPart(part);
        cam.SetBlockLength(8);
        Host host(cam, GetParam());
        Bytes out;
        ASSERT_EQ(host.Get(15, 8, &out), S_OK);
        EXPECT_EQ(out, Bytes(8, part == FlashPart::Blank00 ? 0x00 : 0xFF));
    }
}

INSTANTIATE_TEST_SUITE_P(BothPaths, FlashRead, ::testing::Values(Path::KsNode, Path::DriverXu),
                         [](const ::testing::TestParamInfo<Path>& i) { return PathName(i.param); });

TEST(FlashRead, HostileBlockLengths) {
    SimCamera cam;
    cam.SetBlockLength(4097);
    Host ks(cam, Path::KsNode), xu(cam, Path::DriverXu);
    Bytes out;
    EXPECT_EQ(ks.Get(15, 4097, &out), S_OK);  // KS carries any length
    EXPECT_EQ(xu.Get(15, 4097, &out), E_INVALIDARG);  // the driver frame cannot
}

TEST(FlashImage, SavesAndLoadsExactlyTheFlash) {
    const std::string path = ::testing::TempDir() + "simcam_flash_image.bin";
    const std::string shortPath = ::testing::TempDir() + "simcam_short_image.bin";
    SimCamera cam;
    for (size_t i = 0; i < cam.Flash().size(); ++i) cam.Flash()[i] = static_cast<uint8_t>(i ^ (i >> 8));
    const Bytes saved = cam.Flash();
    ASSERT_TRUE(cam.SaveFlash(path));

    SimCamera other;
    ASSERT_TRUE(other.LoadFlash(path));
    EXPECT_TRUE(other.Flash() == saved);

    {
        std::ofstream out(shortPath, std::ios::binary);
        out.write("\x01\x02\x03", 3);
    }
    SimCamera third;
    EXPECT_FALSE(third.LoadFlash(shortPath));
    EXPECT_FALSE(third.LoadFlash(path + ".missing"));
    EXPECT_EQ(third.Flash(), Bytes(0x10000, 0xFF));
    std::remove(path.c_str());
    std::remove(shortPath.c_str());
}

}  // namespace
}  // namespace simcam_test
