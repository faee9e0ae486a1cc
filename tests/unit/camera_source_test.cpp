// Discovery over a camera source, where there is no DirectShow. Leaked or
// extra references show up as leaks or use after free under the sanitizers.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "chip/cam_device.h"
#include "link/camera_source.h"
#include "link/xu_channel.h"
#include "simcam/sim_camera.h"

namespace {

using namespace std::string_literals;

struct Camera {
    uint8_t chipId;
    bool driver, control;
    std::string name = "Tarvex USB Camera";
};

class ListedCameras : public CameraSource {
public:
    explicit ListedCameras(std::vector<Camera> cameras) : cameras_(std::move(cameras)) {
        for (const Camera& c : cameras_) {
            sims_.push_back(std::make_unique<simcam::SimCamera>());
            sims_.back()->SetChipId(c.chipId);
        }
    }
    HRESULT Devices(std::vector<CaptureDevice>* devices) override {
        if (answer != S_OK) return answer;
        for (size_t i = 0; i < cameras_.size(); ++i) {
            CaptureDevice d;
            d.friendlyName = cameras_[i].name;
            if (cameras_[i].driver) d.driver = sims_[i]->NewDriverXu();
            if (cameras_[i].control) d.control = sims_[i]->NewKsControl();
            devices->push_back(d);
        }
        return S_OK;
    }
    bool HardwareIds(std::vector<std::string>* ids) override {
        *ids = hardwareIds;
        return listed;
    }
    simcam::SimCamera& Sim(size_t i) { return *sims_[i]; }

    HRESULT answer = S_OK;
    std::vector<std::string> hardwareIds;
    bool listed = true;

private:
    std::vector<Camera> cameras_;
    std::vector<std::unique_ptr<simcam::SimCamera>> sims_;
};

struct Discovery {
    explicit Discovery(std::vector<Camera> cameras) : source(std::move(cameras)) {
        previous = SetCameraSource(&source);
        std::memset(name, 0x5A, sizeof(name));
    }
    ~Discovery() {
        CCamDevice::CloseChannel();
        SetCameraSource(previous);
    }
    int32_t Open() { return device.OpenCamera(log, name); }

    ListedCameras source;
    CameraSource* previous;
    CCamDevice device;
    std::string log;
    char name[128];
};

TEST(SourceDiscovery, WalksTheDevicesLikeTheWindowsDiscovery) {
    const struct {
        const char* label;
        std::vector<Camera> cameras;
        HRESULT answer;
        int32_t result;
        const char* log;
        ChannelMode mode;
        size_t acceptedIndex;
    } cases[] = {
        {"no devices", {}, S_FALSE, 0, "NO Camera hardware.\r\n", ChannelMode::None, 0},
        {"listing fails", {}, E_FAIL, 0, "NO Camera hardware.\r\n", ChannelMode::None, 0},
        {"answers but empty", {}, S_OK, 0, "NO Tarvex  Camera plugged in!\r\n", ChannelMode::None, 0},
        {"neither interface", {{0x65, false, false}}, S_OK, 0,
         "NO Tarvex 7100R Camera plugged in!\r\n", ChannelMode::None, 0},
        {"node path", {{0x65, false, true}}, S_OK, 1, "Tarvex Camera (UVC), ", ChannelMode::UvcNode, 0},
        {"both: the driver wins", {{0x6A, true, true}}, S_OK, 1, "Tarvex Camera (T+), ",
         ChannelMode::PrivateDriver, 0},
        {"rejected, then accepted", {{0x12, true, false}, {0x6A, false, true}}, S_OK, 1,
         "Tarvex Camera (UVC), ", ChannelMode::UvcNode, 1},
        {"families 1 and 2 refused", {{0x90, true, false}, {0x80, false, true}}, S_OK, 0,
         "NO Tarvex 7100R Camera plugged in!\r\n", ChannelMode::None, 0},
    };
    for (const auto& c : cases) {
        Discovery d(c.cameras);
        d.source.answer = c.answer;
        EXPECT_EQ(d.Open(), c.result) << c.label;
        EXPECT_EQ(d.log, c.log) << c.label;
        if (c.result) {
            ASSERT_NE(pExt, nullptr);
            EXPECT_EQ(pExt->mode, c.mode) << c.label;
            EXPECT_EQ(pExt->chipFamily, 0) << c.label;
            EXPECT_STREQ(d.name, "Tarvex USB Camera");
            // The accepted camera answers through the channel.
            uint8_t chipId = 0;
            d.device.ReadReg(0x20FF, &chipId);
            EXPECT_EQ(chipId, c.cameras[c.acceptedIndex].chipId) << c.label;
        } else {
            EXPECT_EQ(pExt, nullptr) << c.label;
            EXPECT_EQ(d.name[0], 0x5A) << c.label << ": name untouched";
        }
    }
}

TEST(SourceDiscovery, ANameTooLongIsCutOnAWholeCharacter) {
    const struct {
        std::string name;
        size_t stored;
    } cases[] = {
        {"", 0},
        {std::string(79, 'n'), 79},
        {std::string(80, 'n'), 79},
        {std::string(500, 'n'), 79},
        {std::string(78, 'n') + "\xC3\xA9", 78},  // the two-byte character would end at 80
        {std::string(77, 'n') + "\xC3\xA9", 79},
    };
    for (const auto& c : cases) {
        Discovery d({{0x65, false, true, c.name}});
        EXPECT_EQ(d.Open(), 1);
        EXPECT_EQ(std::strlen(d.name), c.stored);
        EXPECT_EQ(std::string(d.name), c.name.substr(0, c.stored));
        for (size_t i = 80; i < sizeof(d.name); ++i) ASSERT_EQ(d.name[i], 0x5A) << i;
    }
}

TEST(SourceDiscovery, HardwareIdsMatchTheCamerasDigits) {
    const struct {
        std::vector<std::string> ids;
        bool listed;
        int32_t result;
        const char* vendor;
        const char* product;
    } cases[] = {
        {{"USB\\VID_4271&PID_03D5&REV_0100\0\0"s}, true, 1, "4271", "03D5"},
        {{"USB\\VID_4271&PID_03d5"s}, true, 1, "4271", "03d5"},
        {{"USB\\VID_4271&PID_03D6"s, "USB\\VID_4272&PID_03D5"s}, true, 0, "4272", "03D5"},
        {{"USB\\VID_4271&PID_03D6"s, "USB\\VID_4271&PID_03D5"s}, true, 1, "4271", "03D5"},
        {{"USB\\VID_4271&PID_03D"s}, true, 0, "ZZZZ", "ZZZZ"},
        {{"USB\\VID_4271\0USB\\VID_4271&PID_03D5\0"s}, true, 0, "ZZZZ", "ZZZZ"},
        {{""s}, true, 0, "ZZZZ", "ZZZZ"},
        {{}, true, 0, "ZZZZ", "ZZZZ"},
        {{"USB\\VID_4271&PID_03D5"s}, false, 0, "ZZZZ", "ZZZZ"},
    };
    for (const auto& c : cases) {
        Discovery d({});
        d.source.hardwareIds = c.ids;
        d.source.listed = c.listed;
        char vendor[8], product[8];
        std::memset(vendor, 'Z', sizeof(vendor));
        std::memset(product, 'Z', sizeof(product));
        EXPECT_EQ(d.device.FindHardwareId(vendor, product), c.result);
        EXPECT_EQ(std::string(vendor, 8), std::string(c.vendor) + "ZZZZ");
        EXPECT_EQ(std::string(product, 8), std::string(c.product) + "ZZZZ");
    }
}

TEST(SourceDiscovery, NoSourceIsNoCamera) {
    CameraSource* previous = SetCameraSource(nullptr);
    CCamDevice device;
    std::string log;
    char name[80];
    EXPECT_EQ(device.OpenCamera(log, name), 0);
    EXPECT_EQ(log, "NO Camera hardware.\r\n");
    char vendor[4], product[4];
    EXPECT_EQ(device.FindHardwareId(vendor, product), 0);
    SetCameraSource(previous);
}

}  // namespace
