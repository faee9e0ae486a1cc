// Hardware-ID lists as the system hands them over: empty, too short to
// hold the digits, without a terminator, or very long. Each is matched in
// a buffer of exactly its size, so that a read past it is caught, and the
// digits land in four-byte outputs, so that a write past them is too.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "discovery/hardware_id_match.h"

namespace {

using namespace std::string_literals;

struct Row {
    const char* name;
    std::string ids;
    bool examined;
    bool match;
};

std::string Long(size_t size, const std::string& head) {
    std::string s(size, 'x');
    s.replace(0, head.size(), head);
    return s;
}

const Row kRows[] = {
    {"empty", ""s, false, false},
    {"one terminator", "\0"s, false, false},
    {"one byte", "U"s, false, false},
    {"twenty characters, unterminated", "USB\\VID_4271&PID_03D"s, false, false},
    {"twenty characters, terminated", "USB\\VID_4271&PID_03D\0"s, false, false},
    {"the digits exactly, unterminated", "USB\\VID_4271&PID_03D5"s, true, true},
    {"the digits exactly, terminated", "USB\\VID_4271&PID_03D5\0"s, true, true},
    {"a terminator inside the digits", "USB\\VID_4271&PID_03\0" "5"s, false, false},
    {"a short first string, ours second", "USB\\VID_4271\0USB\\VID_4271&PID_03D5\0\0"s, false, false},
    {"no terminator in a megabyte, ours first", Long(1 << 20, "USB\\VID_4271&PID_03D5"), true, true},
    {"no terminator in a megabyte of 0xFF", std::string(1 << 20, '\xFF'), true, false},
    {"a megabyte of terminators", std::string(1 << 20, '\0'), false, false},
};

TEST(HardwareIdBuffers, AreReadAndWrittenOnlyWithinTheirSize) {
    for (const Row& row : kRows) {
        const size_t size = row.ids.size();
        std::unique_ptr<char[]> ids(new char[size ? size : 1]);
        if (size) std::memcpy(ids.get(), row.ids.data(), size);
        std::unique_ptr<char[]> vendor(new char[4]), product(new char[4]);
        std::memset(vendor.get(), 'Z', 4);
        std::memset(product.get(), 'Z', 4);
        EXPECT_EQ(HardwareIdMatches(ids.get(), size, vendor.get(), product.get()), row.match)
            << row.name;
        if (!row.examined) {
            EXPECT_EQ(std::string(vendor.get(), 4), "ZZZZ") << row.name << ": outputs untouched";
            EXPECT_EQ(std::string(product.get(), 4), "ZZZZ") << row.name;
        } else {
            EXPECT_EQ(std::string(vendor.get(), 4), row.ids.substr(8, 4)) << row.name;
            EXPECT_EQ(std::string(product.get(), 4), row.ids.substr(17, 4)) << row.name;
        }
    }
}

}  // namespace
