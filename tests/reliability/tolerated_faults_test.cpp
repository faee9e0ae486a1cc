// Failures the program's own rules let an update survive: a request whose
// result nobody looks at, the silent second checksum read, a disable that
// its resend recovers, a failure inside the direct program of the IDs (its
// closing deselect made again before anything reaches the flash). Each
// must end in "Update complete!" over a flash that really took the image.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/rig_whole_update.h"

namespace {

using simcam::Call;
using simcam::Op;
using simcam::Path;
using namespace whole_update;

using Trace = std::vector<Call>;

const std::vector<Op> kReads = {Op::Get, Op::Answer};
const std::vector<Op> kLengths = {Op::Length, Op::Answer};
const std::vector<Op> kWrites = {Op::Set};

// The register access that follows the nth address write naming reg.
size_t AfterAddress(const Trace& trace, uint16_t reg, size_t nth) {
    for (size_t i = 0; i < trace.size(); ++i) {
        const Call& c = trace[i];
        if (c.op == Op::Set && c.selector == 2 && c.bytes.size() == 2 &&
            (c.bytes[0] | c.bytes[1] << 8) == reg && nth-- == 0)
            return i + 1;
    }
    return trace.size();
}

// The last call before end that names selector and is one of ops.
size_t LastBefore(const Trace& trace, size_t end, uint32_t selector, const std::vector<Op>& ops) {
    for (size_t i = end; i-- > 0;)
        for (Op o : ops)
            if (trace[i].op == o && trace[i].selector == selector) return i;
    return trace.size();
}

size_t SecondPacket(const Trace& trace) { return FindCall(trace, 10, kWrites, 1); }

struct Tolerated {
    const char* name;
    std::function<size_t(const Trace&)> find;  // the call that fails once
};

const Tolerated kTolerated[] = {
    {"the first of the two packet-length queries",
     [](const Trace& t) { return FindCall(t, 10, kLengths); }},
    {"the flash-data size query after the command table",
     [](const Trace& t) { return FindCall(t, 15, kLengths, 0, FindCall(t, 7, kWrites)); }},
    {"the first checksum read, read again without a word",
     [](const Trace& t) { return FindCall(t, 11, kReads); }},
    {"the first disable, recovered by its resend",
     [](const Trace& t) { return FindCall(t, 9, kWrites, 1); }},
    {"the deselect that closes the direct program of the IDs, its address",
     [](const Trace& t) { return IdProgramDeselect(t); }},
    {"the deselect that closes the direct program of the IDs, its value",
     [](const Trace& t) { return IdProgramDeselect(t) + 1; }},
    {"the engine's release that ends the direct program of the IDs",
     [](const Trace& t) { return LastBefore(t, SecondPacket(t), 3, kWrites); }},
    {"the last busy poll inside the direct program of the IDs",
     [](const Trace& t) { return LastBefore(t, SecondPacket(t), 3, kReads); }},
    {"the write that clears the low bits of 0x20BA",
     [](const Trace& t) { return AfterAddress(t, 0x20BA, 1); }},
};

TEST(ToleratedFaults, EndInATrueSuccessOnBothPaths) {
    for (Path path : {Path::KsNode, Path::DriverXu}) {
        const Trace clean = CleanTrace(path);
        for (const Tolerated& row : kTolerated) {
            const std::string label = std::string(PathName(path)) + ": " + row.name;
            const size_t k = row.find(clean);
            ASSERT_LT(k, clean.size()) << label << ": no such call";
            const Outcome o = RunUpdate(path, [&](UpdateRig& rig) { rig.sim.FailCallOnce(k); });
            EXPECT_TRUE(o.TrueSuccess()) << label << " (call " << k << ")\n  " << Show(o);
            EXPECT_FALSE(o.Hung()) << label;
        }
    }
}

}  // namespace
