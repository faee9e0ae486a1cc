// Packet lengths a camera may report for its download data control. A
// length the path can carry gives a true update; any other is a failed size
// query: a line in the log, no packet, the engine disabled, "Update fail".
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/rig_whole_update.h"

namespace {

using simcam::Path;
using namespace whole_update;

struct Row {
    Path path;
    uint32_t length;
    bool usable;
};

// The driver path's write frame carries 68 data bytes, the packet buffer
// 4096; the node path has no limit of its own.
const Row kRows[] = {
    {Path::KsNode, 0, false},          {Path::DriverXu, 0, false},
    {Path::KsNode, 1, true},           {Path::DriverXu, 1, true},
    {Path::KsNode, 68, true},          {Path::DriverXu, 68, true},
    {Path::KsNode, 69, true},          {Path::DriverXu, 69, false},
    {Path::KsNode, 4096, true},        {Path::DriverXu, 4096, false},
    {Path::KsNode, 4097, false},       {Path::DriverXu, 4097, false},
    {Path::KsNode, 0xFFFFFFFF, false}, {Path::DriverXu, 0xFFFFFFFF, false},
};

std::string UnusableLine(uint32_t length) {
    char line[80];
    std::snprintf(line, sizeof line, "XU_DFU_ACCESS_CONTROL packet length %lu unusable.\r\n",
                  static_cast<unsigned long>(length));
    return line;
}

TEST(HostilePacketLength, IsUsedOnlyWhenThePathCanCarryIt) {
    for (const Row& row : kRows) {
        const std::string label = std::string(PathName(row.path)) + ", " + std::to_string(row.length);
        const Outcome o = RunUpdate(row.path, [&](UpdateRig& rig) { rig.sim.SetPacketLength(row.length); });
        EXPECT_FALSE(o.Hung()) << label;
        EXPECT_FALSE(o.leftEnabled) << label;
        if (row.usable) {
            EXPECT_TRUE(o.TrueSuccess()) << label << "\n  " << Show(o);
            EXPECT_EQ(o.packets, (65536 + row.length - 1) / row.length) << label;
            continue;
        }
        EXPECT_EQ(o.status, kUpdating + kFail) << label;
        EXPECT_TRUE(Contains(o.log, UnusableLine(row.length) +
                                        "get_PropertySize XU_DFU_ACCESS_CONTROL fail.\r\n"
                                        "Resend Command XU_DFU_ACCESS_CONTROL.\r\n" +
                                        UnusableLine(row.length) +
                                        "get_PropertySize XU_DFU_ACCESS_CONTROL fail.\r\n"))
            << label << "\n  " << Show(o);
        EXPECT_EQ(o.packets, 0u) << label;
        EXPECT_FALSE(o.committed) << label;
    }
}

}  // namespace
