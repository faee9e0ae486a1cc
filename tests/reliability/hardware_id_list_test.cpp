// Hardware-ID lists a system may report for its imaging devices: none, an
// empty string, strings too short, unterminated or very long, and many of
// them. The scan must find the camera's digits wherever they are the first
// string of a device, and nowhere else; the digits land in four-byte
// outputs, so that a write past them is caught.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "chip/cam_device.h"
#include "tests/support/rig_source.h"

namespace {

using namespace std::string_literals;

class ListedIds : public ListedSource {
public:
    ListedIds(std::vector<std::string> list, bool canList, std::vector<UsbIdentity> numbers) {
        ids = std::move(list);
        listed = canList;
        usb = std::move(numbers);
    }
};

const std::string kOurs = "USB\\VID_4271&PID_03D5&REV_0100\0\0"s;

std::vector<std::string> Many(size_t count, const std::string& id) { return std::vector<std::string>(count, id); }

std::vector<std::string> ManyThenOurs(size_t count) {
    std::vector<std::string> ids = Many(count, "USB\\VID_1234&PID_5678\0\0"s);
    ids.push_back(kOurs);
    return ids;
}

struct Row {
    const char* label;
    std::vector<std::string> ids;
    bool listed;
    int32_t found;
    std::vector<UsbIdentity> usb = {};  // devices known by their numbers, after those by ids
};

const Row kRows[] = {
    {"no list", {kOurs}, false, 0},
    {"no devices", {}, true, 0},
    {"one empty string", {""s}, true, 0},
    {"only terminators", {std::string(64, '\0')}, true, 0},
    {"short", {"USB\\VID_4271"s}, true, 0},
    {"twenty characters", {"USB\\VID_4271&PID_03D"s}, true, 0},
    {"the digits, unterminated", {"USB\\VID_4271&PID_03D5"s}, true, 1},
    {"ours after a terminator", {"USB\0VID_4271&PID_03D5\0"s}, true, 0},
    {"a megabyte, ours first", {"USB\\VID_4271&PID_03D5" + std::string(1 << 20, 'x')}, true, 1},
    {"a megabyte of 0xFF", {std::string(1 << 20, '\xFF')}, true, 0},
    {"ten thousand others", Many(10000, "USB\\VID_1234&PID_5678\0\0"s), true, 0},
    {"ten thousand empty strings", Many(10000, ""s), true, 0},
    {"ours after ten thousand others", ManyThenOurs(10000), true, 1},
    {"ours by number after others", Many(2, "USB\\VID_1234&PID_5678\0\0"s), true, 1,
     {{0x4272, 0x03D5, 1}, {0x4271, 0x03D6, 1}, {0x4271, 0x03D5, 1}}},
};

TEST(HostileHardwareIds, AreScannedWithinTheirBounds) {
    for (const Row& row : kRows) {
        ListedIds source(row.ids, row.listed, row.usb);
        CameraSource* previous = SetCameraSource(&source);
        CCamDevice device;
        std::unique_ptr<char[]> vendor(new char[4]), product(new char[4]);
        EXPECT_EQ(device.FindHardwareId(vendor.get(), product.get()), row.found) << row.label;
        if (row.found) {
            EXPECT_EQ(std::string(vendor.get(), 4), "4271") << row.label;
            EXPECT_EQ(std::string(product.get(), 4), "03D5") << row.label;
        }
        SetCameraSource(previous);
    }
}

}  // namespace
