// The whole update on the uvcvideo road: the update window finds the camera
// through the udev source in a umockdev sandbox and writes it through
// UVCIOC_CTRL_QUERY, answered by the uvcvideo model over the simulated
// camera; then the same with the driver failing a request.
#include <gtest/gtest.h>

#include <errno.h>
#include <linux/usb/video.h>

#include <functional>
#include <string>

#include "discovery/uvc_camera_source.h"
#include "tests/support/rig_whole_update.h"
#include "tests/support/uvc_testbed.h"

namespace {

using namespace whole_update;

constexpr uint8_t kUnit = 4;
constexpr uint8_t kSelPacket = 10;
constexpr uint8_t kSelChecksum = 11;

struct UvcUpdate {
    explicit UvcUpdate(const std::function<void(UvcDriverModel&)>& arrange = nullptr) {
        bed.AddCamera(UsbCamera(), &model);
        if (arrange) arrange(model);
        ticks = RunToVerdict(*rig.window, kTickLimit).ticks;
    }
    // The window lets the camera go while the sandbox still answers.
    ~UvcUpdate() { rig.window.reset(); }

    const std::string& Status() const { return rig.window->statusText; }
    const std::string& Log() const { return rig.window->transferLog; }
    bool Flashed() const {
        return rig.sim.Flash() == rig.Expected(kImageV0309, 4) && rig.sim.Committed();
    }

    UpdateRig rig;
    UvcDriverModel model{rig.sim, kUnit};
    UvcTestbed bed;
    UvcCameraSource source{&rig.window->transferLog};
    ScopedSource scoped{&source};
    int ticks = 0;
};

// The index of the nth query of this kind to selector in a clean run.
size_t CleanQuery(uint8_t selector, uint8_t query, size_t nth) {
    UvcUpdate clean;
    const auto& record = clean.model.Record();
    for (size_t i = 0; i < record.size(); ++i)
        if (record[i].selector == selector && record[i].query == query && nth-- == 0) return i;
    ADD_FAILURE() << "no such query";
    return 0;
}

TEST(UvcUpdate, WritesThePatchedImageThroughUvcvideoAndCommitsIt) {
    ASSERT_TRUE(UvcTestbed::Available()) << "run under umockdev-wrapper";
    UvcUpdate run;
    EXPECT_EQ(run.Status(), kUpdating + kComplete) << Flat(run.Log());
    EXPECT_GT(run.ticks, 0);
    EXPECT_TRUE(run.Flashed());
    EXPECT_TRUE(Contains(run.Log(), "Tarvex Camera (UVC), "));
    EXPECT_FALSE(Contains(run.Log(), "UVC unit"));  // no request failed
    EXPECT_GT(run.model.Queries(), 1000u);
}

TEST(UvcUpdate, AFailingDriverEndsInTheFailTextWithItsErrnoLogged) {
    ASSERT_TRUE(UvcTestbed::Available()) << "run under umockdev-wrapper";
    const size_t packet = CleanQuery(kSelPacket, UVC_SET_CUR, 100);
    struct Case {
        const char* what;
        std::function<void(UvcDriverModel&)> arrange;
        const char* line;
    } cases[] = {
        {"a stalled packet", [&](UvcDriverModel& m) { m.FailQuery(packet, EPIPE); },
         "selector 10 SET_CUR size 64: EPIPE (the device stalled)\r\n"},
        {"a packet that times out", [&](UvcDriverModel& m) { m.FailQuery(packet, ETIMEDOUT); },
         "selector 10 SET_CUR size 64: ETIMEDOUT (the device did not answer in time)\r\n"},
        {"unplugged mid-download", [&](UvcDriverModel& m) { m.UnplugFrom(packet); },
         "selector 10 SET_CUR size 64: ENODEV (unplugged)\r\n"},
        {"a checksum control of the wrong length",
         [](UvcDriverModel& m) { m.ReportLength(kSelChecksum, 2); },
         "selector 11 GET_CUR size 1: ENOBUFS (size mismatch)\r\n"},
        {"a checksum control whose GET_INFO lacks the GET bit (SET alone)",
         [](UvcDriverModel& m) { m.ReportInfo(kSelChecksum, 0x02); },
         "selector 11 GET_CUR size 1: EBADRQC (the control does not take this request)\r\n"},
    };
    for (const Case& c : cases) {
        UvcUpdate run(c.arrange);
        EXPECT_EQ(run.Status(), kUpdating + kFail) << c.what << ": " << Flat(run.Log());
        EXPECT_TRUE(Contains(run.Log(), c.line)) << c.what << ": " << Flat(run.Log());
        EXPECT_FALSE(run.rig.sim.Committed()) << c.what;
        EXPECT_GT(run.ticks, 0) << c.what;
    }
    // Unplugged, the camera answers ENODEV to every request after.
    UvcUpdate gone([&](UvcDriverModel& m) { m.UnplugFrom(packet); });
    EXPECT_EQ(gone.rig.sim.PacketsReceived(), 100u);
}

TEST(UvcUpdate, AnInterruptedRequestIsSentAgainAndTheUpdateCompletes) {
    ASSERT_TRUE(UvcTestbed::Available()) << "run under umockdev-wrapper";
    const size_t packet = CleanQuery(kSelPacket, UVC_SET_CUR, 100);
    UvcUpdate run([&](UvcDriverModel& m) { m.FailQuery(packet, EINTR); });
    EXPECT_EQ(run.Status(), kUpdating + kComplete) << Flat(run.Log());
    EXPECT_TRUE(run.Flashed());
}

}  // namespace
