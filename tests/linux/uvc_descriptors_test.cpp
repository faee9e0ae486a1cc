// Finding the camera's unit in raw descriptors; every cut and break of them
// is read inside its bounds (a heap copy of exactly that size, so the
// sanitizer sees any byte read past it).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "discovery/uvc_descriptors.h"
#include "tests/support/usb_descriptors.h"

namespace {

struct Result {
    bool found;
    uint8_t unit;
};

Result Find(const std::vector<uint8_t>& bytes, size_t size) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[size ? size : 1]);
    std::copy(bytes.begin(), bytes.begin() + size, exact.get());
    Result r{false, 0xEE};
    r.found = FindCameraUnit(exact.get(), size, &r.unit);
    return r;
}
Result Find(const std::vector<uint8_t>& bytes) { return Find(bytes, bytes.size()); }

size_t UnitAt(const std::vector<uint8_t>& bytes) {
    const auto guid = CameraXuGuid();
    return size_t(std::search(bytes.begin(), bytes.end(), guid.begin(), guid.end()) - bytes.begin()) - 4;
}

TEST(UvcDescriptors, TheCamerasUnitIsFoundByItsGuidInTheVideoControlInterface) {
    // The device's own bytes for its property set, written out once here.
    const std::array<uint8_t, 16> camera = {0x82, 0x06, 0x61, 0x63, 0x70, 0x50, 0xAB, 0x49,
                                            0xB8, 0xCC, 0xB3, 0x85, 0x5E, 0x8D, 0x22, 0x1D};
    EXPECT_EQ(CameraXuGuid(), camera);
    struct Case {
        const char* what;
        std::vector<UnitDescriptor> units;
        bool found;
        uint8_t unit;
    } cases[] = {
        {"the camera's unit", {{4, camera}}, true, 4},
        {"after another vendor's unit", {{2, {0x82, 0x06}}, {11, camera}}, true, 11},
        {"no extension unit", {}, false, 0},
        {"only another vendor's unit", {{4, {0x83, 0x06, 0x61, 0x63}}}, false, 0},
    };
    for (const Case& c : cases) {
        CameraDescriptors d;
        d.units = c.units;
        Result r = Find(BuildDescriptors(d));
        EXPECT_EQ(r.found, c.found) << c.what;
        EXPECT_EQ(r.unit, c.found ? c.unit : 0xEE) << c.what;  // untouched when not found
    }
}

TEST(UvcDescriptors, AUnitOutsideTheVideoControlInterfaceIsNotTheCamerasUnit) {
    std::vector<uint8_t> bytes = BuildDescriptors(CameraDescriptors());
    // The interface descriptor before the unit now says VideoStreaming.
    const size_t unit = UnitAt(bytes);
    size_t interface = 0;
    for (size_t at = 18; at < unit; at += bytes[at])
        if (bytes[at + 1] == 0x04) interface = at;
    ASSERT_NE(interface, 0u);
    bytes[interface + 6] = 0x02;
    EXPECT_FALSE(Find(bytes).found);
}

TEST(UvcDescriptors, EveryCutIsReadInBoundsAndFindsTheUnitOnlyWhenItIsWhole) {
    const std::vector<uint8_t> bytes = BuildDescriptors(CameraDescriptors());
    const size_t unitEnd = UnitAt(bytes) + bytes[UnitAt(bytes)];
    for (size_t size = 0; size <= bytes.size(); ++size)
        EXPECT_EQ(Find(bytes, size).found, size >= unitEnd) << "cut at " << size;
}

TEST(UvcDescriptors, ABrokenLengthEndsOrSkipsWithoutReadingPastTheEnd) {
    const std::vector<uint8_t> good = BuildDescriptors(CameraDescriptors());
    const size_t unit = UnitAt(good);
    struct Case {
        const char* what;
        size_t at;
        uint8_t value;
    } cases[] = {
        {"a descriptor of length 0 before the unit", 18, 0},
        {"a descriptor of length 1 before the unit", 18, 1},
        {"the unit of length 0", unit, 0},
        {"the unit running past the end", unit, 0xFF},
        {"the unit shorter than its fixed part", unit, 23},
        {"pins beyond the unit", unit + 21, 0xF0},
        {"a control bitmap beyond the unit", unit + 23, 0xF0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = good;
        bytes[c.at] = c.value;
        EXPECT_FALSE(Find(bytes).found) << c.what;
    }
    EXPECT_FALSE(FindCameraUnit(nullptr, 10, nullptr));
}

}  // namespace
