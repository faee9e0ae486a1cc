// Reads that fail after the driver has scribbled garbage into the answer:
// every read of a whole update in turn, failing once or with the camera
// gone from it on. A failed read must not pass for an answer: the run ends,
// with one of the program's texts, and never claims an update the flash
// does not hold.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/rig_whole_update.h"

namespace {

using simcam::Op;
using simcam::Path;
using namespace whole_update;

bool IsRead(Op op) { return op == Op::Get || op == Op::Length || op == Op::Answer; }

TEST(GarbageOnFailedRead, NoReadOfAWholeUpdatePassesForAnAnswer) {
    size_t cases = 0;
    for (Path path : {Path::KsNode, Path::DriverXu}) {
        const auto clean = CleanTrace(path);
        for (size_t k = 0; k < clean.size(); ++k) {
            if (!IsRead(clean[k].op)) continue;
            for (bool gone : {false, true}) {
                const Outcome o = RunUpdate(path, [&](UpdateRig& rig) {
                    rig.sim.SetGarbageOnFailedRead(true);
                    if (gone)
                        rig.sim.FailFromCall(k);
                    else
                        rig.sim.FailCallOnce(k);
                });
                const std::string label = std::string(PathName(path)) + ", read at call " +
                                          std::to_string(k) + (gone ? ", camera gone" : ", fails once");
                ++cases;
                ASSERT_FALSE(o.Hung()) << label;
                ASSERT_TRUE(OneOfTheProgramsTexts(o.status)) << label << "\n  " << Show(o);
                ASSERT_FALSE(o.FalseSuccess()) << label << "\n  " << Show(o);
                if (gone) {
                    ASSERT_FALSE(o.Complete()) << label;
                }
            }
        }
    }
    EXPECT_GT(cases, 100u);
}

}  // namespace
