// Block lengths a camera may report for its flash data control, once for
// the whole run (the check's block reads) and once from the read-back after
// the commit on. A length the flash reader cannot take is refused with a
// line in the log; none may read or write outside a buffer.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/rig_whole_update.h"

namespace {

using simcam::Op;
using simcam::Path;
using namespace whole_update;

enum class Expect {
    Stop,         // the check's block reads refused: "No need to update!", nothing written
    Success,      // a true update
    VerifyFails,  // the read-back refused: "Update fail", nothing claimed
    NoFalseClaim  // whatever the verdict, the flash holds what it claims
};

struct Row {
    uint32_t length;
    bool fromReadBack;  // the camera changes its answer as the read-back begins
    Expect expect;
};

const Row kRows[] = {
    {0, false, Expect::Stop},
    // The check reads the code byte from a one-byte block: what it decides
    // rests on the erased filler, but the flash must end up as claimed.
    {1, false, Expect::NoFalseClaim},
    {68, false, Expect::Success},
    {69, false, Expect::Success},
    {4096, false, Expect::Success},
    {4097, false, Expect::Stop},
    {0xFFFFFFFF, false, Expect::Stop},
    {0, true, Expect::VerifyFails},
    {1, true, Expect::Success},
    {68, true, Expect::Success},
    {69, true, Expect::Success},
    {4097, true, Expect::VerifyFails},
    {0xFFFFFFFF, true, Expect::VerifyFails},
};

// The first call of the read-back: its length query, after the commit.
size_t ReadBackStart(Path path) {
    const auto trace = CleanTrace(path);
    return FindCall(trace, 15, {Op::Length, Op::PostLength}, 0, FindCall(trace, 12, {Op::Set}));
}

TEST(HostileBlockLength, IsRefusedWhenItDoesNotFitABlock) {
    for (Path path : {Path::KsNode, Path::DriverXu}) {
        const size_t readBack = ReadBackStart(path);
        for (const Row& row : kRows) {
            const std::string label = std::string(PathName(path)) + ", " + std::to_string(row.length) +
                                      (row.fromReadBack ? " from the read-back" : "");
            Plan plan;
            if (row.fromReadBack)
                plan.onCall = [&](UpdateRig& rig, size_t n) {
                    if (n == readBack) rig.sim.SetBlockLength(row.length);
                };
            else
                plan.arrange = [&](UpdateRig& rig) { rig.sim.SetBlockLength(row.length); };
            const Outcome o = RunUpdate(path, plan);

            EXPECT_FALSE(o.Hung()) << label;
            EXPECT_TRUE(OneOfTheProgramsTexts(o.status)) << label << "\n  " << Show(o);
            EXPECT_FALSE(o.FalseSuccess()) << label << "\n  " << Show(o);
            EXPECT_FALSE(o.leftEnabled) << label;
            switch (row.expect) {
            case Expect::Stop:
                EXPECT_EQ(o.status, "Checking...\r\n" + kFail) << label;
                EXPECT_TRUE(Contains(o.log, "ReadFlashBlock 12 fail.\r\n")) << label;
                EXPECT_EQ(o.packets, 0u) << label << ": nothing written";
                break;
            case Expect::Success:
                EXPECT_TRUE(o.TrueSuccess()) << label << "\n  " << Show(o);
                break;
            case Expect::VerifyFails:
                EXPECT_EQ(o.status, kUpdating + kFail) << label;
                EXPECT_TRUE(Contains(o.log, "Flash verify fail: no read length.\r\n")) << label;
                break;
            case Expect::NoFalseClaim:
                break;
            }
        }
    }
}

}  // namespace
