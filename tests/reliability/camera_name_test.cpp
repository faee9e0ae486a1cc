// Friendly names a capture device may carry: none, up to and past the 80
// bytes the name buffer holds, and bytes that are not valid text. The name
// lands in a buffer of exactly 80 bytes, so that a write past it is caught;
// what is stored is a terminated prefix of the name that does not end
// inside a UTF-8 sequence it cut.
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

constexpr size_t kNameBytes = 80;

// One camera on the node path, with the name under test.
class NamedCamera : public CameraSource {
public:
    explicit NamedCamera(std::string name) : name_(std::move(name)) {}
    HRESULT Devices(std::vector<CaptureDevice>* devices) override {
        CaptureDevice d;
        d.friendlyName = name_;
        d.control = sim_.NewKsControl();
        devices->push_back(d);
        return S_OK;
    }
    bool HardwareIds(std::vector<std::string>* ids) override {
        ids->clear();
        return true;
    }

private:
    std::string name_;
    simcam::SimCamera sim_;
};

bool IsContinuation(char c) { return (uint8_t(c) & 0xC0) == 0x80; }

struct Row {
    const char* label;
    std::string name;
    bool text;  // valid UTF-8 without a terminator inside: a cut loses at most one character
};

const Row kRows[] = {
    {"empty", ""s, true},
    {"79 bytes", std::string(79, 'n'), true},
    {"80 bytes", std::string(80, 'n'), true},
    {"500 bytes", std::string(500, 'n'), true},
    {"a three-byte character across the cut", std::string(78, 'n') + "\xE2\x82\xAC" + "tail", true},
    {"a four-byte character across the cut", std::string(77, 'n') + "\xF0\x9F\x93\xB7" + "tail", true},
    {"control characters", "Cam\r\n\t\x1B[2J" + std::string(100, '\x01'), true},
    {"a terminator inside", "Tarvex\0USB Camera"s, false},
    {"only terminators", std::string(200, '\0'), false},
    {"500 continuation bytes", std::string(500, '\x80'), false},
    {"500 bytes of 0xFF", std::string(500, '\xFF'), false},
    {"a lead byte without its continuation at the cut", std::string(79, 'n') + "\xC3" + "n", false},
    {"a stray continuation at the cut", std::string(79, 'n') + "\xA9\xA9", false},
};

TEST(HostileCameraName, IsStoredWithinItsBufferAndTerminated) {
    for (const Row& row : kRows) {
        NamedCamera source(row.name);
        CameraSource* previous = SetCameraSource(&source);
        CCamDevice device;
        std::string log;
        std::unique_ptr<char[]> name(new char[kNameBytes]);
        std::memset(name.get(), 'Z', kNameBytes);
        EXPECT_EQ(device.OpenCamera(log, name.get()), 1) << row.label;
        EXPECT_EQ(log, "Tarvex Camera (UVC), ") << row.label << ": the name is not logged";
        const void* end = std::memchr(name.get(), '\0', kNameBytes);
        ASSERT_NE(end, nullptr) << row.label << ": terminated";
        const size_t stored = size_t(static_cast<const char*>(end) - name.get());
        EXPECT_EQ(std::memcmp(name.get(), row.name.data(), stored), 0) << row.label << ": a prefix";
        if (row.text && row.name.size() >= kNameBytes) {
            // Cut: never inside a sequence, never by more than one character.
            EXPECT_FALSE(IsContinuation(row.name[stored])) << row.label;
            EXPECT_GE(stored + 4, kNameBytes - 1) << row.label;
        }
        CCamDevice::CloseChannel();
        SetCameraSource(previous);
    }
}

}  // namespace
