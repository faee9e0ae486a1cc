// The call record, its logical view, injected failures and the call hook.
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "host.h"

namespace simcam_test {
namespace {

using simcam::Call;
using simcam::Kind;
using simcam::Op;
using simcam::Request;
using simcam::SimCamera;

constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070490u);

void RunMixedSequence(Host& host) {
    std::vector<uint8_t> out;
    uint32_t length = 0;
    host.Set(2, {0x45, 0x20});
    host.Get(3, 1, &out);
    host.Length(10, &length);
    host.Get(13, 1, &out);
    host.Set(9, {3});
}

TEST(Trace, DriverXuCallsAreRecordedRaw) {
    SimCamera cam;
    Host host(cam, Path::DriverXu);
    RunMixedSequence(host);
    struct Expected {
        Op op;
        uint32_t selector;
        std::vector<uint8_t> bytes;
        HRESULT result;
    };
    const std::vector<Expected> expected = {
        {Op::Set, 2, {0x45, 0x20}, S_OK},      {Op::PostGet, 3, {}, S_OK},
        {Op::Answer, 3, {0x00}, S_OK},         {Op::PostLength, 10, {}, S_OK},
        {Op::Answer, 10, {64, 0, 0, 0}, S_OK}, {Op::PostGet, 13, {}, S_OK},
        {Op::Answer, 13, {}, kNotFound},       {Op::Set, 9, {3}, S_OK},
    };
    const std::vector<Call>& calls = cam.Calls();
    ASSERT_EQ(calls.size(), expected.size());
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls[i].index, i);
        EXPECT_EQ(calls[i].path, Path::DriverXu);
        EXPECT_EQ(calls[i].op, expected[i].op);
        EXPECT_EQ(calls[i].selector, expected[i].selector);
        EXPECT_EQ(calls[i].bytes, expected[i].bytes);
        EXPECT_EQ(calls[i].result, expected[i].result);
    }
}

TEST(Trace, LogicalViewIsTheSameOnBothPaths) {
    SimCamera ksCam, xuCam;
    Host ks(ksCam, Path::KsNode), xu(xuCam, Path::DriverXu);
    RunMixedSequence(ks);
    RunMixedSequence(xu);
    EXPECT_EQ(ksCam.Calls().size(), 5u);
    EXPECT_EQ(ksCam.Calls()[2].result, kMoreData);  // raw KS length query
    std::vector<Request> a = ksCam.Requests(), b = xuCam.Requests();
    ASSERT_EQ(a.size(), 5u);
    ASSERT_EQ(b.size(), 5u);
    const Kind kinds[] = {Kind::Set, Kind::Get, Kind::Length, Kind::Get, Kind::Set};
    for (size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(a[i].path, Path::KsNode);
        EXPECT_EQ(b[i].path, Path::DriverXu);
        EXPECT_EQ(a[i].kind, kinds[i]);
        EXPECT_EQ(b[i].kind, kinds[i]);
        EXPECT_EQ(a[i].selector, b[i].selector);
        EXPECT_EQ(a[i].bytes, b[i].bytes);
        EXPECT_EQ(a[i].result, b[i].result);
    }
    EXPECT_EQ(a[2].result, S_OK);
    EXPECT_EQ(a[3].result, kNotFound);
}

struct FaultCase {
    const char* name;
    std::function<void(SimCamera&)> arm;
    std::vector<HRESULT> results;  // of the four calls below
    uint8_t reg0001;
    uint8_t reg0000;
    uint8_t enable;
};

// Four KS calls: address 0x0001, write 0xAA, read it back, enable 3.
TEST(Faults, FailedCallsAreNotPerformed) {
    const HRESULT g = kGenFailure;
    const std::vector<FaultCase> cases = {
        {"none", [](SimCamera&) {}, {S_OK, S_OK, S_OK, S_OK}, 0xAA, 0, 3},
        {"once at 1", [](SimCamera& c) { c.FailCallOnce(1); }, {S_OK, g, S_OK, S_OK}, 0, 0, 3},
        {"unplugged at 2", [](SimCamera& c) { c.FailFromCall(2); }, {S_OK, S_OK, g, g}, 0xAA, 0, 0},
        {"selector 3", [](SimCamera& c) { c.FailSelector(3); }, {S_OK, g, g, S_OK}, 0, 0, 3},
        {"own result at 0",
         [](SimCamera& c) {
             c.SetFailureResult(E_FAIL);
             c.FailCallOnce(0);
         },
         {E_FAIL, S_OK, S_OK, S_OK}, 0, 0xAA, 3},
        {"cleared", [](SimCamera& c) { c.FailFromCall(0); c.ClearFaults(); },
         {S_OK, S_OK, S_OK, S_OK}, 0xAA, 0, 3},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimCamera cam;
        Host host(cam, Path::KsNode);
        c.arm(cam);
        std::vector<uint8_t> out;
        std::vector<HRESULT> got = {host.Set(2, {0x01, 0x00}), host.Set(3, {0xAA}),
                                    host.Get(3, 1, &out), host.Set(9, {3})};
        EXPECT_EQ(got, c.results);
        EXPECT_EQ(cam.Reg(0x0001), c.reg0001);
        EXPECT_EQ(cam.Reg(0x0000), c.reg0000);
        EXPECT_EQ(cam.DownloadEnable(), c.enable);
        EXPECT_EQ(cam.EnableHistory().size(), c.enable ? 1u : 0u);
    }
}

TEST(Faults, FailedAnswerKeepsThePostAndASelectorFaultFailsThePost) {
    SimCamera cam;
    Host host(cam, Path::DriverXu);
    cam.SetReg(0x0000, 0x5C);
    Frame post(0x81, 3, 1);
    ASSERT_EQ(host.xu()->WriteFrame(kDriverFrameSize, post.raw), S_OK);
    cam.FailCallOnce(1);
    uint8_t answer[72] = {};
    EXPECT_EQ(host.xu()->ReadFrame(kDriverFrameSize, answer), kGenFailure);
    EXPECT_EQ(host.xu()->ReadFrame(kDriverFrameSize, answer), S_OK);
    EXPECT_EQ(answer[0], 0x5C);

    cam.FailSelector(3);
    EXPECT_EQ(host.xu()->WriteFrame(kDriverFrameSize, post.raw), kGenFailure);
    EXPECT_EQ(cam.Calls().back().op, Op::PostGet);
    std::vector<Request> logical = cam.Requests();
    EXPECT_EQ(logical.back().kind, Kind::Get);
    EXPECT_EQ(logical.back().result, kGenFailure);
}

TEST(Faults, GarbageOnFailedReadsOnlyWhenAsked) {
    for (bool garbage : {false, true}) {
        for (Path path : {Path::KsNode, Path::DriverXu}) {
            SCOPED_TRACE(PathName(path));
            SimCamera cam;
            cam.SetGarbageOnFailedRead(garbage);
            cam.FailCallOnce(path == Path::KsNode ? 0 : 1);  // the call that reads
            Host host(cam, path);
            std::vector<uint8_t> out;
            EXPECT_EQ(host.Get(15, 4096, &out), kGenFailure);
            size_t changed = 0;
            for (uint8_t b : out) changed += b != 0;
            if (garbage)
                EXPECT_GT(changed, 4000u);
            else
                EXPECT_EQ(changed, 0u);
        }
    }
}

TEST(Trace, HookRunsBeforeEveryDriverCall) {
    SimCamera cam;
    std::vector<size_t> seen;
    cam.SetCallHook([&] { seen.push_back(cam.Calls().size()); });
    cam.FailCallOnce(1);
    Host ks(cam, Path::KsNode), xu(cam, Path::DriverXu);
    std::vector<uint8_t> out;
    ks.Set(2, {0, 0});
    ks.Set(2, {0, 0});
    xu.Get(3, 1, &out);
    EXPECT_EQ(seen, (std::vector<size_t>{0, 1, 2, 3}));
}

TEST(Trace, ClearRestartsTheNumbering) {
    SimCamera cam;
    Host host(cam, Path::KsNode);
    cam.FailCallOnce(0);
    EXPECT_EQ(host.Set(2, {0, 0}), kGenFailure);
    EXPECT_EQ(host.Set(2, {0, 0}), S_OK);
    cam.ClearTrace();
    EXPECT_TRUE(cam.Calls().empty());
    EXPECT_EQ(host.Set(2, {0, 0}), S_OK);  // call 0 again, but that failure was used
    cam.FailCallOnce(1);
    EXPECT_EQ(host.Set(2, {0, 0}), kGenFailure);
    ASSERT_EQ(cam.Calls().size(), 2u);
    EXPECT_EQ(cam.Calls()[1].index, 1u);
}

}  // namespace
}  // namespace simcam_test
