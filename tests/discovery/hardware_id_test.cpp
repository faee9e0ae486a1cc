#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "chip/cam_device.h"
#include "discovery/discovery_seams.h"
#include "tests/support/fake_setupapi.h"

namespace {

using namespace std::string_literals;

TEST(FindHardwareId, OneDevice) {
    const std::string longId = "USB\\VID_4271&PID_03D5&REV_0100&"s + std::string(5000, 'X') + "\0\0"s;
    struct Case {
        const char* label;
        std::string property;
        int32_t result;
        const char* vendor;  // 8 bytes: 4 written, 4 of guard
        const char* product;
    } cases[] = {
        {"full list", "USB\\VID_4271&PID_03D5&REV_0100\0USB\\VID_4271&PID_03D5\0\0"s, 1,
         "4271ZZZZ", "03D5ZZZZ"},
        {"lower-case d", "USB\\VID_4271&PID_03d5\0\0"s, 1, "4271ZZZZ", "03d5ZZZZ"},
        {"other product", "USB\\VID_4271&PID_03D6\0\0"s, 0, "4271ZZZZ", "03D6ZZZZ"},
        {"other vendor", "USB\\VID_4272&PID_03D5\0\0"s, 0, "4272ZZZZ", "03D5ZZZZ"},
        {"20 characters", "USB\\VID_4271&PID_03D\0\0"s, 0, "ZZZZZZZZ", "ZZZZZZZZ"},
        {"only the first string counts", "USB\\VID_4271\0USB\\VID_4271&PID_03D5\0\0"s, 0,
         "ZZZZZZZZ", "ZZZZZZZZ"},
        {"unterminated, 21", "USB\\VID_4271&PID_03D5", 1, "4271ZZZZ", "03D5ZZZZ"},
        {"unterminated, 19", "USB\\VID_4271&PID_03", 0, "ZZZZZZZZ", "ZZZZZZZZ"},
        {"empty list", "\0\0"s, 0, "ZZZZZZZZ", "ZZZZZZZZ"},
        {"very long", longId, 1, "4271ZZZZ", "03D5ZZZZ"},
        {"very long, no digits", std::string(5000, 'X'), 0, "XXXXZZZZ", "XXXXZZZZ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SetupScene s({Id(c.property)});
        EXPECT_EQ(s.Find(), c.result);
        EXPECT_EQ(s.Vendor(), c.vendor);
        EXPECT_EQ(s.Product(), c.product);
        EXPECT_EQ(s.destroyed, 1);
    }
}

TEST(FindHardwareId, EveryDigitIsCompared) {
    struct Case {
        size_t at;
        char c;
        int32_t result;
    } cases[] = {
        {8, '5', 0},  {9, '3', 0},  {10, '8', 0}, {11, '2', 0}, {17, '1', 0},
        {18, '4', 0}, {19, 'E', 0}, {19, 'd', 1}, {20, '6', 0}, {16, 'X', 1},
    };
    for (const Case& c : cases) {
        std::string id = "USB\\VID_4271&PID_03D5";
        id[c.at] = c.c;
        SCOPED_TRACE(id);
        SetupScene s({Id(id + "\0\0"s)});
        EXPECT_EQ(s.Find(), c.result);
    }
}

TEST(FindHardwareId, ScanStopsAtTheFirstMatch) {
    SetupScene s({Id("USB\\VID_4271&PID_03D6\0\0"s), Id("USB\\VID_4272&PID_03D5\0\0"s),
                  Id("USB\\VID_4271&PID_03D5\0\0"s), Id("USB\\VID_4271&PID_03d5\0\0"s)});
    EXPECT_EQ(s.Find(), 1);
    EXPECT_EQ(s.indexes, (std::vector<DWORD>{0, 1, 2}));
    EXPECT_EQ(s.Product(), "03D5ZZZZ");
    EXPECT_EQ(s.destroyed, 1);
}

TEST(FindHardwareId, HostileAnswersArePassedOver) {
    SetupScene s({Id("", Answer::Unreadable), Id("", Answer::ZeroSize), Id("", Answer::Huge),
                  Id("", Answer::Growing), Id("", Answer::NoBufferSuccess),
                  Id("USB\\VID_4271&PID_03D5\0\0"s)});
    EXPECT_EQ(s.Find(), 1);
    EXPECT_EQ(s.indexes.size(), 6u);
    EXPECT_EQ(s.devices[0].calls, 1);
    EXPECT_EQ(s.devices[2].calls, 1);  // not believed, so not allocated
    EXPECT_EQ(s.destroyed, 1);
}

TEST(FindHardwareId, NoMatchLeavesTheLastExaminedDigits) {
    struct Case {
        const char* label;
        std::vector<FakeImagingDevice> devices;
        const char* vendor;
        const char* product;
    } cases[] = {
        {"none present", {}, "ZZZZZZZZ", "ZZZZZZZZ"},
        {"one other", {Id("USB\\VID_4271&PID_03D6\0\0"s)}, "4271ZZZZ", "03D6ZZZZ"},
        {"short one last",
         {Id("USB\\VID_4272&PID_03D5\0\0"s), Id("USB\\VID_4271\0\0"s), Id("", Answer::Unreadable)},
         "4272ZZZZ", "03D5ZZZZ"},
        // Ours, but another camera's device: never asked.
        {"ours on another camera", {{"USB\\VID_4271&PID_03D5\0\0"s, Answer::Normal, 0, "USB\\VID_4271&PID_03D5\\A1"}},
         "ZZZZZZZZ", "ZZZZZZZZ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SetupScene s(c.devices);
        EXPECT_EQ(s.Find(), 0);
        EXPECT_EQ(s.indexes.size(), c.devices.size() + 1);
        EXPECT_EQ(s.Vendor(), c.vendor);
        EXPECT_EQ(s.Product(), c.product);
        EXPECT_EQ(s.destroyed, 1);
    }
}

TEST(FindHardwareId, InvalidDeviceSetEndsAtOnce) {
    SetupScene s({Id("USB\\VID_4271&PID_03D5\0\0"s)});
    s.invalidSet = true;
    EXPECT_EQ(s.Find(), 0);
    EXPECT_TRUE(s.indexes.empty());
    EXPECT_EQ(s.destroyed, 0);
}

TEST(FindHardwareId, NullPutsTheSystemCallsBack) {
    SetupScene s({Id("USB\\VID_4271&PID_03D5\0\0"s)});
    EXPECT_EQ(SetSetupApiCalls(nullptr).getRegistryProperty, &SetupScene::GetProperty);
    s.Find();  // over the system's own imaging devices, whatever they are
    EXPECT_TRUE(s.indexes.empty());
    EXPECT_EQ(s.destroyed, 0);
}

}  // namespace
