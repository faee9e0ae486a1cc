// Images too short to reach the FlashTypeCode at 0xC006: the loader
// refuses to copy one, and the download start refuses to write one. Each
// source is exactly its size, so that a read past it is caught.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "firmware/firmware_image.h"
#include "tests/support/rig_whole_update.h"
#include "tests/support/firmware_bytes.h"

namespace {

using simcam::Path;
using namespace whole_update;

const uint32_t kSizes[] = {0, 1, 0x8000, kMinFirmwareImageSize - 1};

TEST(ShortImage, TheLoaderRefusesToCopyIt) {
    const std::vector<uint8_t> full = ImageBytes(kImageV0309);
    for (uint32_t size : kSizes) {
        std::unique_ptr<uint8_t[]> source(new uint8_t[size ? size : 1]);
        if (size) std::memcpy(source.get(), full.data(), size);
        std::unique_ptr<uint8_t[]> image;
        int32_t imageSize = -7;
        EXPECT_EQ(CopyFirmwareImage(source.get(), size, &image, &imageSize), FirmwareStatus::TooShort)
            << size;
        EXPECT_EQ(image, nullptr) << size;
        EXPECT_EQ(imageSize, -7) << size;
    }
    std::unique_ptr<uint8_t[]> source(new uint8_t[kMinFirmwareImageSize]);
    std::memcpy(source.get(), full.data(), kMinFirmwareImageSize);
    std::unique_ptr<uint8_t[]> image;
    int32_t imageSize = 0;
    EXPECT_EQ(CopyFirmwareImage(source.get(), kMinFirmwareImageSize, &image, &imageSize), FirmwareStatus::Ok);
    EXPECT_EQ(imageSize, int32_t(kMinFirmwareImageSize));
}

// A window whose image comes through the loader from a short source, as a
// broken build's resource would.
class ShortResourceWindow : public TestWindow {
public:
    explicit ShortResourceWindow(uint32_t size) : source(ImageBytes(kImageV0309)) {
        source.resize(size);
        engine.loadImage = [this](int id, std::unique_ptr<uint8_t[]>* image, int32_t* size) {
            imageAsked = id;
            std::unique_ptr<uint8_t[]> exact(new uint8_t[source.size() ? source.size() : 1]);
            if (!source.empty()) std::memcpy(exact.get(), source.data(), source.size());
            return CopyFirmwareImage(exact.get(), uint32_t(source.size()), image, size) == FirmwareStatus::Ok;
        };
    }

private:
    std::vector<uint8_t> source;
};

TEST(ShortImage, ALoaderRefusalEndsTheRunAsFailed) {
    for (Path path : {Path::KsNode, Path::DriverXu}) {
        for (uint32_t size : kSizes) {
            const std::string label = std::string(PathName(path)) + ", " + std::to_string(size);
            const Outcome o = RunUpdate(path, [&](UpdateRig& rig) {
                rig.window = std::make_unique<ShortResourceWindow>(size);
            });
            EXPECT_EQ(o.status, "Checking...\r\nUpdate fail,\r\nPlease re-start this program.\r\n") << label;
            EXPECT_TRUE(Contains(o.log, "Firmware image 135 missing.\r\n")) << label;
            EXPECT_FALSE(o.enabled) << label << ": nothing written";
            EXPECT_FALSE(o.Hung()) << label;
        }
    }
}

// Handed a short image all the same, the download start writes nothing and
// leaves the window closable.
TEST(ShortImage, TheDownloadStartRefusesToWriteIt) {
    for (Path path : {Path::KsNode, Path::DriverXu}) {
        for (uint32_t size : kSizes) {
            if (size == 0) continue;  // an empty override means the program's own image
            const std::string label = std::string(PathName(path)) + ", " + std::to_string(size);
            const Outcome o = RunUpdate(path, [&](UpdateRig& rig) {
                rig.window->imageOverride = ImageBytes(kImageV0309);
                rig.window->imageOverride.resize(size);
            });
            EXPECT_EQ(o.status, "Checking...\r\n") << label;
            EXPECT_FALSE(Contains(o.log, "Start Download")) << label;
            EXPECT_FALSE(o.enabled) << label << ": nothing written";
            EXPECT_FALSE(o.Hung()) << label;
        }
    }
}

}  // namespace
