#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/rig_device.h"
#include "tests/support/rig_window.h"

namespace {

using simcam::FlashPart;
using simcam::Kind;
using simcam::Path;

const Path kPaths[] = {Path::KsNode, Path::DriverXu};
const std::string kNoCamera = "No need to update\r\n";
const std::string kNotOurs = "No need to update!!!\r\n";
const std::string kCurrent = "No need to update!\r\n";

// Which road the camera takes through the decision.
// OthersId: the camera's own hardware ID is another maker's, ours is elsewhere on the machine.
enum class Road { HardwareId, Sensor, Block8, OthersId };

struct Scenario {
    const char* name;
    bool camera;
    Road road;
    FlashPart part;
    uint8_t storedCode;  // flash 0xC006
    bool idsInFlash;     // flash 0x8008.. carries 71 42 D5 03
    std::string verdict;  // a stop text, or empty for an update
    // Instead: the image a download writes, cut at this address (erased
    // from there on but for the IDs the download writes first) ...
    uint32_t cutAt = 0;
    // ... or a flash of this shape, built on the image a download writes.
    enum Shape { Plain, OtherRelease, Bcd0301, PartlyProgrammed, IdsAtWrongPlace, IdsScattered, ErasedButCode };
    Shape shape = Plain;
    const char* log = nullptr;  // a line the check logs
    bool hole = false;          // only the 32 bytes at cutAt erased: a program lost
};

// Shapes a flash can be left in, and two no cut makes.
void Shape(std::vector<uint8_t>& flash, Scenario::Shape shape) {
    const std::vector<uint8_t> image = flash;
    // Erased from an address on, but for a code that says current.
    const auto erasedFrom = [&](uint32_t from) {
        std::fill(flash.begin() + from, flash.end(), 0xFF);
        flash[0xC006] = image[0xC006];
    };
    // ID bytes programmed at `at`.
    const auto ids = [&](uint32_t at, uint32_t count) {
        for (uint32_t j = 0; j < count; ++j) flash[at + j] &= image[0x8008 + j];
    };
    switch (shape) {
    case Scenario::Plain: break;
    case Scenario::OtherRelease:
        for (uint32_t a = 0x1000; a < 0x1100; ++a) flash[a] ^= 0x5A;
        break;
    case Scenario::Bcd0301: flash[0x800C] = 0x01; break;
    case Scenario::PartlyProgrammed:
        // Up to 00D000, the byte before it with one of its clear bits not yet cleared.
        erasedFrom(0xD000);
        for (uint32_t a = 0xCFFF; a > 0; --a)
            if (flash[a] != 0xFF) {
                flash[a] |= uint8_t(~flash[a] & -~flash[a]);
                break;
            }
        break;
    case Scenario::IdsAtWrongPlace:
        // The ID program's 0x08 lost: the part heard 00 80 71, then 42 D5 03.
        erasedFrom(0x2000);
        for (uint32_t k = 0; k < 3; ++k) flash[(0x8000 | image[0x8008]) + k] &= image[0x8009 + k];
        break;
    case Scenario::IdsScattered:
        erasedFrom(0x2000);
        ids(0x3010, 2);
        ids(0x3022, 2);
        break;
    case Scenario::ErasedButCode:
        erasedFrom(0);
        break;
    }
}

void Arrange(UpdateRig& rig, const Scenario& s) {
    if (!s.camera) rig.NoCaptureDevices();
    if (s.road != Road::HardwareId && s.road != Road::OthersId) rig.HardwareIds({});
    if (s.road == Road::OthersId) rig.source.devices[0].hardwareIds = "USB\\VID_1D6B&PID_0C01&REV_0100";
    rig.sim.SetSensorFitted(s.road == Road::Sensor);
    rig.sim.SetFlashPart(s.part);
    rig.OldFirmware(s.storedCode);
    if (s.cutAt || s.shape != Scenario::Plain) {
        const uint8_t type = s.part == FlashPart::Type4 ? 4 : 0;
        std::vector<uint8_t>& flash = rig.sim.Flash();
        flash = rig.Expected(kImageV0309, type);
        for (uint32_t a = s.cutAt; s.cutAt && a < (s.hole ? s.cutAt + 32 : flash.size()); ++a)
            if (a < 0x8008 || a >= 0x800C) flash[a] = 0xFF;
        Shape(flash, s.shape);
    }
    if (!s.idsInFlash) {
        const uint8_t swapped[4] = {0x42, 0x71, 0x03, 0xD5};  // high bytes first: no match
        std::copy(swapped, swapped + 4, rig.sim.Flash().begin() + 0x8008);
    }
}

// Every row of the decision, on both driver paths.
TEST(UpdateCheck, DecidesByTheRoadTheCameraTakes) {
    const Scenario scenarios[] = {
        {"no camera", false, Road::HardwareId, FlashPart::Type4, 0x04, true, kNoCamera},
        {"hardware ID, type 4, code 4", true, Road::HardwareId, FlashPart::Type4, 0x04, true, ""},
        {"hardware ID, type 4, code 6", true, Road::HardwareId, FlashPart::Type4, 0x06, true, kCurrent},
        {"hardware ID, type 2, code 0", true, Road::HardwareId, FlashPart::Type2a, 0x00, true, ""},
        {"hardware ID, type 2, code 4", true, Road::HardwareId, FlashPart::Type2b, 0x04, true, kCurrent},
        {"hardware ID, type 0, code 0", true, Road::HardwareId, FlashPart::Type0, 0x00, true, kCurrent},
        {"hardware ID, type 5", true, Road::HardwareId, FlashPart::Type5, 0x00, true, kCurrent},
        {"hardware ID, type 6", true, Road::HardwareId, FlashPart::Type6, 0x00, true, kCurrent},
        {"hardware ID, unknown flash", true, Road::HardwareId, FlashPart::Unknown, 0x00, true, kCurrent},
        {"sensor, type 4, code 5", true, Road::Sensor, FlashPart::Type4, 0x05, false, ""},
        {"sensor, type 4, code 6", true, Road::Sensor, FlashPart::Type4, 0x06, true, kCurrent},
        {"sensor, type 1", true, Road::Sensor, FlashPart::Type1, 0x00, true, kCurrent},
        {"block 8, type 0", true, Road::Block8, FlashPart::Type0, 0x00, true, ""},
        {"block 8, type 4, code 6", true, Road::Block8, FlashPart::Type4, 0x06, true, ""},
        {"block 8, unknown flash", true, Road::Block8, FlashPart::Unknown, 0x00, true, ""},
        {"block 8, IDs high byte first", true, Road::Block8, FlashPart::Type4, 0x04, false, kNotOurs},
        {"another maker's camera, ours listed beside it", true, Road::OthersId, FlashPart::Type4, 0x04, false,
         kNotOurs},
        {"another maker's camera, our IDs in its flash", true, Road::OthersId, FlashPart::Type4, 0x04, true, ""},
        {"hardware ID, cut at 000100", true, Road::HardwareId, FlashPart::Type4, 0, true, "", 0x100},
        {"hardware ID, cut at 00C000, before the code", true, Road::HardwareId, FlashPart::Type4, 0, true, "",
         0xC000},
        // The image is erased from 00C100 to 00D000: that is where the flash
        // first lacks it. Past 00FD80 the image is erased to its end, so a
        // cut there leaves the image whole.
        {"hardware ID, cut at 00C100, after the code", true, Road::HardwareId, FlashPart::Type4, 0, true, "",
         0xC100, Scenario::Plain, "The last download stopped before 00D000.\r\n"},
        {"sensor, cut at 00F000", true, Road::Sensor, FlashPart::Type4, 0, true, "", 0xF000, Scenario::Plain,
         "The last download stopped before 00F000.\r\n"},
        {"hardware ID, cut at 00FFC0", true, Road::HardwareId, FlashPart::Type4, 0, true, kCurrent, 0xFFC0},
        {"hardware ID, type 0, cut at 00E000", true, Road::HardwareId, FlashPart::Type0, 0, true, "", 0xE000,
         Scenario::Plain, "The last download stopped before 00E000.\r\n"},
        {"hardware ID, a lost program at 001000", true, Road::HardwareId, FlashPart::Type4, 0, true, "", 0x1000,
         Scenario::Plain, "The last download left the flash unfinished at 001000.\r\n", true},
        {"hardware ID, another release, code 6", true, Road::HardwareId, FlashPart::Type4, 0, true, kCurrent, 0,
         Scenario::OtherRelease, "Flash differs from image 135 at 001000 and from image 133 at 001000.\r\n"},
        {"hardware ID, bcdDevice 0301", true, Road::HardwareId, FlashPart::Type4, 0, true, kCurrent, 0,
         Scenario::Bcd0301, "Flash differs from image 135 at 00800C"},
        {"hardware ID, a byte partly programmed before 00D000", true, Road::HardwareId, FlashPart::Type4, 0, true,
         "", 0, Scenario::PartlyProgrammed, "The last download left the flash unfinished at 00C007.\r\n"},
        {"hardware ID, the IDs where a lost address byte puts them", true, Road::HardwareId, FlashPart::Type4, 0, true, "",
         0, Scenario::IdsAtWrongPlace, "The last download left the flash unfinished at 002000.\r\n"},
        {"hardware ID, the IDs scattered", true, Road::HardwareId, FlashPart::Type4, 0, true, kCurrent, 0,
         Scenario::IdsScattered, "Flash differs from image 135 at 002000"},
        {"hardware ID, erased but a current code", true, Road::HardwareId, FlashPart::Type4, 0, true, "", 0,
         Scenario::ErasedButCode, "The last download left the flash unfinished at 000000.\r\n"},
    };
    for (Path path : kPaths) {
        for (const Scenario& s : scenarios) {
            UpdateRig rig(path, Worker::Deferred);
            Arrange(rig, s);
            rig.Check();
            TestWindow& w = *rig.window;
            const std::string label = std::string(s.name) + (path == Path::KsNode ? " (UVC)" : " (T+)");
            EXPECT_EQ(w.stopped, std::vector<UINT_PTR>{kCheckTimer}) << label;
            if (s.log) {
                const size_t at = w.transferLog.find(s.log);
                EXPECT_NE(at, std::string::npos) << label << ": " << w.transferLog;
                EXPECT_TRUE(at == 0 || at == std::string::npos || w.transferLog[at - 1] == '\n')
                    << label << ": glued onto an open line: " << w.transferLog;
            }
            if (!s.verdict.empty()) {
                EXPECT_EQ(w.statusText, s.verdict) << label;
                EXPECT_EQ(w.shown.back(), s.verdict) << label;
                EXPECT_EQ(w.updateNeeded, 0) << label;
                EXPECT_EQ(w.busy, 0) << label;
                EXPECT_FALSE(rig.Sent(9)) << label << ": nothing enabled";
                EXPECT_FALSE(w.TimerRunning(kProgressTimer)) << label;
                EXPECT_EQ(w.progress, 0) << label;
                continue;
            }
            EXPECT_EQ(w.updateNeeded, 1) << label;
            EXPECT_EQ(w.busy, 1) << label << ": downloading";
            EXPECT_EQ(w.statusText, "Auto updating...(V0309)\r\n") << label;
            EXPECT_NE(gDeferredRoutine, nullptr) << label;
        }
    }
}

// The report a front end prints: what the check found, and why it decided.
TEST(UpdateCheck, ReportsWhatItFoundAndWhy) {
    const struct {
        Scenario s;
        CheckVerdict verdict;
        int32_t type, code;
        const char* reason;
    } rows[] = {
        {{"no camera", false, Road::HardwareId, FlashPart::Type4, 0x04, true, kNoCamera}, CheckVerdict::NoCamera,
         -1, -1, "no camera of this family could be opened"},
        {{"stale", true, Road::HardwareId, FlashPart::Type4, 0x04, true, ""}, CheckVerdict::Update, 4, 0x04,
         "stored code 0x04 does not suit flash type 4"},
        {{"current", true, Road::Sensor, FlashPart::Type4, 0x06, true, kCurrent}, CheckVerdict::Current, 4, 0x06,
         "the flash holds this program's image V0309"},
        {{"forced", true, Road::Block8, FlashPart::Type4, 0x06, true, ""}, CheckVerdict::Update, 4, 0x06,
         "only the IDs in its flash show it is ours"},
        {{"not ours", true, Road::Block8, FlashPart::Type4, 0x04, false, kNotOurs}, CheckVerdict::NotOurs, -1, -1,
         "nothing shows that the camera is ours"},
        {{"cut", true, Road::HardwareId, FlashPart::Type4, 0, true, "", 0xC100}, CheckVerdict::Update, 4, 0x06,
         "the last download (V0309) stopped before 0x00D000"},
        {{"another release", true, Road::HardwareId, FlashPart::Type4, 0, true, kCurrent, 0, Scenario::OtherRelease},
         CheckVerdict::Current, 4, 0x06, "the flash differs from this program's images at 0x001000"},
        {{"unknown part, cut", true, Road::HardwareId, FlashPart::Unknown, 0, true, "", 0x100}, CheckVerdict::Failed,
         -1, 0xFF, "the last download (V0309) stopped before 0x000100, but its flash part is not one this program can write"},
    };
    for (const auto& row : rows) {
        UpdateRig rig(Path::KsNode, Worker::Deferred);
        Arrange(rig, row.s);
        rig.Check();
        const CheckReport& r = rig.window->checked;
        EXPECT_EQ(r.verdict, row.verdict) << row.s.name;
        EXPECT_EQ(r.reason, row.reason) << row.s.name;
        EXPECT_EQ(r.camera.path, row.s.camera ? "sim0" : "") << row.s.name;
        EXPECT_EQ(r.camera.chipId, row.s.camera ? 0x65 : -1) << row.s.name;
        EXPECT_EQ(r.flash.type, row.type) << row.s.name;
        EXPECT_EQ(r.storedCode, row.code) << row.s.name;
        EXPECT_EQ(r.imageSize, row.verdict == CheckVerdict::Update ? 65536u : 0u) << row.s.name;
    }
}

TEST(UpdateCheck, NoCameraMakesNoRequestOfItsOwn) {
    const struct {
        bool emptyButAnswering;  // the enumerator answers S_OK and yields nothing
        const char* log;
    } cases[] = {
        {false, "NO Camera hardware.\r\n"},
        {true, "NO Tarvex  Camera plugged in!\r\n"},
    };
    for (const auto& c : cases) {
        UpdateRig rig;
        if (c.emptyButAnswering)
            rig.NoCaptureDevices();
        else
            rig.CamerasGoneFrom(1);
        rig.Check();
        EXPECT_EQ(rig.window->shown, (std::vector<std::string>{"Checking...\r\n", kNoCamera}));
        EXPECT_TRUE(rig.Requests().empty());
        EXPECT_TRUE(rig.window->engine.HoldsDevice()) << "the device object stays";
        EXPECT_EQ(rig.window->transferLog, c.log);
    }
}

TEST(UpdateCheck, TheRoadsSkipWhatTheyDoNotNeed) {
    const struct {
        const char* name;
        Road road;
        bool sensorFitted;
        bool bringUpRuns, probeRuns, block8Read, identifies;
    } cases[] = {
        {"hardware ID", Road::HardwareId, true, false, false, false, true},
        {"sensor", Road::Sensor, true, true, true, false, true},
        {"block 8 after a sensor mismatch", Road::Block8, false, true, true, true, true},
    };
    for (const auto& c : cases) {
        UpdateRig rig(Path::KsNode, Worker::Deferred);
        if (c.road != Road::HardwareId) rig.HardwareIds({});
        rig.sim.SetSensorFitted(c.sensorFitted);
        rig.Check();
        bool bringUp = false, probe = false, block8 = false, identify = false;
        uint16_t address = 0;
        for (const auto& r : rig.Requests()) {
            if (r.selector == 2) address = uint16_t(r.bytes[0] | r.bytes[1] << 8);
            if (r.selector == 3 && r.kind == Kind::Set && address == 0x2600) bringUp = true;
            if (r.selector == 4) probe = true;
            if (r.selector == 14 && r.bytes == std::vector<uint8_t>{0x00, 0x80, 0x00, 0x00}) block8 = true;
            if (r.selector == 3 && address == 0x2022) identify = true;
        }
        EXPECT_EQ(bringUp, c.bringUpRuns) << c.name;
        EXPECT_EQ(probe, c.probeRuns) << c.name;
        EXPECT_EQ(block8, c.block8Read) << c.name;
        EXPECT_EQ(identify, c.identifies) << c.name;
        EXPECT_EQ(rig.window->forceUpdate, c.block8Read ? 1 : 0) << c.name;
        EXPECT_EQ(rig.window->sensorBringUpResult, c.bringUpRuns ? 1 : 0) << c.name;
        EXPECT_EQ(rig.window->sensorIdResult, c.sensorFitted && c.probeRuns ? 1 : 0) << c.name;
    }
}

TEST(UpdateCheck, AFailedBringUpSkipsTheProbe) {
    size_t firstWrite = 0;  // after the chip-ID read: the bring-up's first value write
    {
        UpdateRig clean(Path::KsNode, Worker::Deferred);
        clean.HardwareIds({});
        clean.Check();
        firstWrite = FindCall(clean.sim.Calls(), 3, {simcam::Op::Set});
    }
    UpdateRig rig(Path::KsNode, Worker::Deferred);
    rig.HardwareIds({});
    rig.sim.FailCallOnce(firstWrite);
    rig.Check();
    EXPECT_EQ(rig.window->sensorBringUpResult, 0);
    EXPECT_EQ(rig.window->sensorIdResult, 0);
    for (const auto& r : rig.Requests()) EXPECT_NE(r.selector, 4u) << "the probe was not run";
    EXPECT_EQ(rig.window->forceUpdate, 1) << "block 8 still carries the IDs";
}

TEST(UpdateCheck, UnrecognisedFlashIsPatchedAsTypeZero) {
    UpdateRig rig(Path::KsNode, Worker::Deferred);
    rig.HardwareIds({});
    rig.sim.SetSensorFitted(false);
    rig.sim.SetFlashPart(FlashPart::Unknown);
    rig.Check();
    EXPECT_EQ(rig.window->flashType, -1);
    EXPECT_EQ(rig.window->flashTypeIndex, 0);
    EXPECT_EQ(rig.window->imageBuffer[0xC006], 0x00);
}

TEST(UpdateCheck, Register2045ChoosesTheImage) {
    const struct {
        uint8_t reg;
        int choice, id;
        const char* text;
    } cases[] = {
        {0x04, 1, kImageV0308, "Auto updating...(V0308)\r\n"},
        {0x05, 1, kImageV0308, "Auto updating...(V0308)\r\n"},
        {0xFF, 1, kImageV0308, "Auto updating...(V0308)\r\n"},
        {0x00, 0, kImageV0309, "Auto updating...(V0309)\r\n"},
        {0x03, 0, kImageV0309, "Auto updating...(V0309)\r\n"},
        {0xFB, 0, kImageV0309, "Auto updating...(V0309)\r\n"},
    };
    for (const auto& c : cases) {
        UpdateRig rig;
        rig.sim.SetReg2045(c.reg);
        rig.Check();
        TestWindow& w = *rig.window;
        EXPECT_EQ(w.imageChoice, c.choice) << int(c.reg);
        EXPECT_EQ(w.imageAsked, c.id) << int(c.reg);
        EXPECT_EQ(w.imageSize, 65536);
        EXPECT_EQ(w.statusText, c.text);
        EXPECT_EQ(rig.TickUntilFinished(), 1) << "the worker ran before the first tick";
        EXPECT_TRUE(rig.sim.Flash() == rig.Expected(c.id, 4)) << int(c.reg);
    }
}

// 0x20BA is changed, then the 2 s settle, then 0x2045 is read.
struct SettleClock : VirtualClock {
    explicit SettleClock(simcam::SimCamera& s) : sim(s) {}
    void Sleep(uint32_t ms) override {
        if (ms == 2000) atSettle = sim.Requests();
        VirtualClock::Sleep(ms);
    }
    simcam::SimCamera& sim;
    std::vector<simcam::Request> atSettle;
};

TEST(UpdateCheck, ClearsThe20BABitsThenWaitsThenReads2045) {
    UpdateRig rig(Path::KsNode, Worker::Deferred);
    rig.sim.SetReg(0x20BA, 0xFF);
    SettleClock clock(rig.sim);
    ScopedClock scoped(&clock);
    rig.Check();
    EXPECT_EQ(rig.sim.Reg(0x20BA), 0xFC);
    ASSERT_FALSE(clock.atSettle.empty());
    const auto& before = clock.atSettle;
    ASSERT_GE(before.size(), 4u);
    EXPECT_EQ(before[before.size() - 2].bytes, (std::vector<uint8_t>{0xBA, 0x20}));
    EXPECT_EQ(before.back().bytes, std::vector<uint8_t>{0xFC});
    const auto after = rig.Requests();
    ASSERT_GT(after.size(), before.size() + 1);
    EXPECT_EQ(after[before.size()].bytes, (std::vector<uint8_t>{0x45, 0x20}));
    EXPECT_EQ(after[before.size() + 1].kind, Kind::Get);
    EXPECT_EQ(clock.sleeps, std::vector<uint32_t>{2000});
}

// A camera that needs nothing is only read: its whole flash, against both
// images, with no register written and no wait; only the road that goes
// on to write asks which image it runs.
TEST(UpdateCheck, OnlyTheRoadThatWritesAsksWhichImage) {
    const struct {
        const char* name;
        bool current;
        uint8_t reg20BA;
        std::vector<uint32_t> sleeps;
        size_t requests;  // from the FlashTypeCode's block read to the verdict
    } cases[] = {
        // The compare: a length query, an address and a read for each of 16 blocks.
        {"current", true, 0xFF, {}, 3 + 48},
        {"stale", false, 0xFC, {2000}, 3 + 6},
    };
    for (const auto& c : cases) {
        UpdateRig rig(Path::KsNode, Worker::Deferred);
        if (c.current) rig.sim.Flash() = rig.Expected(kImageV0309, 4);
        rig.sim.SetReg(0x20BA, 0xFF);
        SettleClock clock(rig.sim);
        ScopedClock scoped(&clock);
        rig.Check();
        EXPECT_EQ(rig.window->checked.verdict, c.current ? CheckVerdict::Current : CheckVerdict::Update) << c.name;
        CheckReport found = rig.window->checked;  // asked anyway, the engine chooses nothing for a camera current
        EXPECT_FALSE(c.current && rig.window->engine.ChooseImage(&found, rig.window->transferLog)) << c.name;
        EXPECT_EQ(rig.sim.Reg(0x20BA), c.reg20BA) << c.name;
        EXPECT_EQ(clock.sleeps, c.sleeps) << c.name;
        const auto requests = rig.Requests();
        size_t from = 0;
        while (from < requests.size() && !(requests[from].selector == 14 && requests[from].bytes[1] == 0xC0)) ++from;
        // The download's reopen starts with the chip-ID address.
        size_t to = from;
        while (to < requests.size() && !(requests[to].selector == 2 && requests[to].bytes[0] == 0xFF)) ++to;
        EXPECT_EQ(to - from + 1, c.requests) << c.name;
    }
}

const std::string kCheckFailed = "Checking...\r\nUpdate fail,\r\nPlease re-start this program.\r\n";

// A read of the flash that fails is no ground to rewrite it, no ground to
// claim the camera as ours, and no ground to tell one of ours that it needs
// nothing.
TEST(UpdateCheck, FailedBlockReadsDecideNothing) {
    {
        UpdateRig rig(Path::KsNode, Worker::Deferred);
        rig.sim.FailSelector(15);
        rig.Check();
        EXPECT_EQ(rig.window->statusText, kCheckFailed);
        EXPECT_NE(rig.window->transferLog.find("ReadFlashBlock 12 fail.\r\n"), std::string::npos);
    }
    {
        UpdateRig rig(Path::KsNode, Worker::Deferred);
        rig.HardwareIds({});
        rig.sim.SetSensorFitted(false);
        rig.sim.FailSelector(15);
        rig.Check();
        EXPECT_EQ(rig.window->statusText, kNotOurs);
        EXPECT_NE(rig.window->transferLog.find("ReadFlashBlock 8 fail.\r\n"), std::string::npos);
    }
    {
        // The whole flash is read where the code says current.
        UpdateRig rig(Path::KsNode, Worker::Deferred);
        rig.OldFirmware(0x06);
        int addressed = 0;
        rig.sim.SetCallHook([&] {
            const auto r = rig.sim.Requests();
            if (!r.empty() && r.back().selector == 14 && ++addressed == 5)
                rig.sim.FailCallOnce(rig.sim.Calls().size());
        });
        rig.Check();
        EXPECT_EQ(addressed, 5) << "block 12, then the compare's reads up to the one that failed";
        EXPECT_EQ(rig.window->statusText, kCheckFailed);
        EXPECT_NE(rig.window->transferLog.find("Flash read for the compare fail.\r\n"), std::string::npos);
        EXPECT_FALSE(rig.Sent(9));
    }
    {
        UpdateRig rig(Path::KsNode, Worker::Deferred);
        rig.sim.SetBlockLength(8192);  // longer than a block: refused
        rig.Check();
        EXPECT_EQ(rig.window->statusText, kCheckFailed);
        EXPECT_FALSE(rig.Sent(9));
    }
}

// A read shorter than the byte the check needs has not read it.
TEST(UpdateCheck, AShortBlockReadDecidesOnlyWhatItRead) {
    const struct {
        uint32_t blockLength;
        uint8_t storedCode;
        bool updates;
    } cases[] = {
        {1, 0x04, false},  // byte 6 never read: the check cannot finish
        {6, 0x04, false},
        {7, 0x04, true},   // byte 6 read: the stale code decides
        {7, 0x06, false},
    };
    for (const auto& c : cases) {
        UpdateRig rig(Path::KsNode, Worker::Deferred);
        rig.sim.SetBlockLength(c.blockLength);
        rig.OldFirmware(c.storedCode);
        rig.Check();
        EXPECT_EQ(gDeferredRoutine != nullptr, c.updates) << c.blockLength << ": download started";
        if (!c.updates) {
            EXPECT_EQ(rig.window->statusText, c.blockLength < 7 ? kCheckFailed : kCurrent)
                << c.blockLength;
        }
    }
}

// A flash the check could not identify is never written, even where block 8
// forces the update: the FlashType 0 table could ruin a part that needs
// another. The log says what gave up; the engine is let go and the flash
// deselected; the close sends nothing more.
TEST(UpdateCheck, AnIdentificationThatGaveUpWritesNothing) {
    enum Fault { StuckEngine, ChipIdRead, FailedWrite };
    const struct {
        const char* name;
        Fault fault;
        uint8_t reg;   // FailedWrite: the register whose nth write fails
        int nth;
        const char* log;
    } cases[] = {
        {"engine never idle", StuckEngine, 0, 0, "IdentifyFlash gave up: SPI engine never idle (0x90).\r\n"},
        {"chip ID read fails", ChipIdRead, 0, 0, "IdentifyFlash gave up: chip ID read fail.\r\n"},
        {"select write fails", FailedWrite, 0x25, 1, "IdentifyFlash gave up: SPI request fail (0x90).\r\n"},
        {"opcode write fails", FailedWrite, 0x22, 2, "IdentifyFlash gave up: SPI request fail (0x90).\r\n"},
    };
    for (Path path : kPaths) {
        for (const auto& c : cases) {
            UpdateRig rig(path, Worker::Inline);
            rig.HardwareIds({});
            rig.sim.SetSensorFitted(false);
            rig.sim.SetFlashPart(FlashPart::Type1);
            const std::vector<uint8_t> before = rig.sim.Flash();
            // Block 8 has been read once the flash read path was used: the
            // fault strikes at the identification that follows it.
            bool identifying = false;
            int writes = 0;
            rig.sim.SetCallHook([&] {
                const auto requests = rig.sim.Requests();
                if (requests.empty()) return;
                const simcam::Request& last = requests.back();
                if (!identifying && last.selector == 15) {
                    identifying = true;
                    if (c.fault == StuckEngine) rig.sim.StickBusyFromCall(rig.sim.Calls().size());
                    if (c.fault == ChipIdRead) rig.sim.FailSelector(3);
                    return;
                }
                // The address of the register is set; this call sends its value.
                if (identifying && c.fault == FailedWrite && last.selector == 2 && last.kind == Kind::Set &&
                    last.bytes == std::vector<uint8_t>{c.reg, 0x20} && ++writes == c.nth)
                    rig.sim.FailCallOnce(rig.sim.Calls().size());
            });
            rig.Check();
            rig.sim.SetCallHook(nullptr);
            TestWindow& w = *rig.window;
            EXPECT_EQ(w.statusText, kCheckFailed) << c.name;
            EXPECT_NE(w.transferLog.find(c.log), std::string::npos) << c.name << ": " << w.transferLog;
            // The report says the identification gave up, and where.
            EXPECT_EQ(w.checked.verdict, CheckVerdict::Failed) << c.name;
            EXPECT_EQ("IdentifyFlash gave up: " + std::string(w.checked.flash.stoppedAt ? w.checked.flash.stoppedAt : "") +
                          ".\r\n",
                      c.log)
                << c.name;
            EXPECT_FALSE(rig.Sent(10)) << c.name << ": no packet";
            EXPECT_EQ(rig.sim.EraseCount(), 0u) << c.name;
            EXPECT_EQ(rig.sim.Flash(), before) << c.name;
            if (c.fault != ChipIdRead) {
                EXPECT_EQ(rig.sim.Reg(0x2020), 0x00) << c.name << ": engine released";
                EXPECT_EQ(rig.sim.Reg(0x2025), 0x00) << c.name << ": flash deselected";
            }
            const size_t requests = rig.Requests().size();
            EXPECT_TRUE(w.CloseRequested());
            EXPECT_EQ(rig.Requests().size(), requests) << c.name << ": the close sends nothing";
        }
    }
}

// A camera passed over hears nothing after its chip-ID read, even when a
// later device cannot be bound and the check ends there.
TEST(UpdateCheck, APassedOverCameraHearsNothingMore) {
    for (Path path : kPaths) {
        UpdateRig rig(path, Worker::Inline);
        simcam::SimCamera other;
        other.SetChipId(0x93);
        rig.source.devices = {SimulatedDevice(other, path == Path::DriverXu), UnbindableDevice()};
        rig.Check();
        EXPECT_EQ(rig.window->statusText, kNoCamera);
        EXPECT_EQ(pExt, nullptr) << "no channel after a walk that accepted nothing";
        const size_t chipIdRead = other.Requests().size();
        EXPECT_EQ(chipIdRead, 2u);
        EXPECT_TRUE(rig.window->CloseRequested());
        EXPECT_EQ(other.Requests().size(), chipIdRead) << "no download-enable pulse";
    }
}

// The flash cannot tell some cut updates from a finished one; the record
// this computer kept of the camera's last update can. One that cannot be
// written is said, and the update goes on.
TEST(UpdateCheck, TheRecordOfTheLastUpdateDecidesWhatTheFlashCannot) {
    const struct {
        const char* outcome;  // of the last update recorded; null: the records cannot be written
        CheckVerdict verdict;
        const char* log;
    } cases[] = {
        {kOutcomeStarted, CheckVerdict::Update, "The last update of this camera here did not finish.\r\n"},
        {kOutcomeFailed, CheckVerdict::Update, "The last update of this camera here failed.\r\n"},
        {kOutcomeUpdated, CheckVerdict::Current, "Flash differs from image 135"},
        {nullptr, CheckVerdict::Update, "Update record not written: "},
    };
    for (const auto& c : cases) {
        UpdateRig rig;
        TestWindow& w = *rig.window;
        // A flash the content alone calls another release, with a current code.
        rig.sim.Flash() = rig.Expected(kImageV0309, 4);
        rig.sim.Flash()[0x1000] ^= 0x5A;
        if (c.outcome) {
            UpdateRecord last = CameraRecord(w.engine.Check(w.transferLog));
            std::string why;
            ASSERT_TRUE(w.engine.history.Begin(&last, &why)) << why;
            if (c.outcome != std::string(kOutcomeStarted)) {
                ASSERT_TRUE(w.engine.history.Finish(last.id, c.outcome, &why));
            }
        } else {
            rig.sim.Flash() = rig.Expected(kImageV0309, 0);  // stale
            w.engine.history = UpdateHistory((w.state.path / "a file").string() + "/below it");
            std::ofstream(w.state.path / "a file") << "not a folder";
        }
        rig.Check();
        const char* name = c.outcome ? c.outcome : "unwritable";
        EXPECT_EQ(w.checked.verdict, c.verdict) << name;
        EXPECT_NE(w.transferLog.find(c.log), std::string::npos) << name << ": " << w.transferLog;
        if (c.verdict == CheckVerdict::Update) {
            EXPECT_EQ(rig.TickUntilFinished(), 1) << "the update goes on";
        }
        if (c.outcome && c.verdict == CheckVerdict::Update) {
            std::vector<UpdateRecord> records;
            std::string why;
            ASSERT_TRUE(w.engine.history.Load(&records, &why));
            ASSERT_EQ(records.size(), 2u);
            EXPECT_EQ(records.back().outcome, kOutcomeUpdated);
            EXPECT_EQ(records.back().camera.busPlace, "usb1/1-1");
            EXPECT_EQ(records.back().imageVersion, "V0309");
        }
        EXPECT_TRUE(w.CloseRequested() && rig.sim.PortsHeld() == 0) << name << ": the camera let go after two checks";
    }
}

// The release a camera runs, named from the bcdDevice the system read
// against each image's descriptor: at no cost of requests.
TEST(UpdateCheck, NamesTheReleaseByItsUsbRevision) {
    const struct {
        std::optional<uint16_t> revision;  // none: the system gave no USB identity
        bool known;
        int id;
        uint32_t cut = 0;  // each image cut to this length; 0: whole
    } cases[] = {{std::nullopt, false, 0}, {0x0100, true, 0}, {0x0308, true, kImageV0308}, {0x0309, true, kImageV0309},
                 {0x0309, true, kImageV0309, kBcdDeviceOffset + 2}};  // just long enough to hold it
    std::set<size_t> requests;  // one count for every row
    for (const auto& c : cases) {
        UpdateRig rig;
        if (c.cut) rig.window->imageOverride = rig.Expected(kImageV0309, 4), rig.window->imageOverride.resize(c.cut);
        if (c.revision) rig.source.devices[0].usb->revision = *c.revision;
        else rig.source.devices[0].usb.reset();
        rig.Check();
        const CheckReport& found = rig.window->checked;
        EXPECT_EQ(found.releaseKnown, c.known);
        EXPECT_EQ(found.releaseImageId, c.id);
        EXPECT_STREQ(found.releaseVersion, c.id == kImageV0308 ? "V0308" : c.id ? "V0309" : "");
        if (!c.cut) requests.insert(rig.Requests().size());  // a cut image ends the check elsewhere
    }
    EXPECT_EQ(requests.size(), 1u);
}

TEST(UpdateCheck, AMissingImageStartsNoDownload) {
    UpdateRig rig;
    rig.window->imageMissing = true;
    rig.Check();
    EXPECT_EQ(rig.window->statusText,
              "Checking...\r\nUpdate fail,\r\nPlease re-start this program.\r\n");
    EXPECT_EQ(rig.window->busy, 0);
    EXPECT_FALSE(rig.Sent(10));
    EXPECT_NE(rig.window->transferLog.find("Firmware image 135 missing.\r\n"), std::string::npos);
}

TEST(StartUp, OnlyMainsPowerArmsTheCheck) {
    const struct {
        bool known;
        uint8_t ac;
        bool checks;
    } cases[] = {{true, 1, true}, {true, 0, false}, {true, 255, false}, {false, 1, false}};
    for (const auto& c : cases) {
        UpdateRig rig;
        rig.window->StartUp(c.known, c.ac);
        TestWindow& w = *rig.window;
        if (c.checks) {
            EXPECT_EQ(w.statusText, "Checking...\r\n");
            EXPECT_EQ(w.started, (std::vector<std::pair<UINT_PTR, UINT>>{{2457, 20}}));
        } else {
            EXPECT_EQ(w.statusText, "Please plug in AC power line,\r\nand re-start this tool.");
            EXPECT_TRUE(w.started.empty());
        }
        EXPECT_EQ(w.shown.size(), 1u);
        EXPECT_TRUE(w.CloseRequested());
        EXPECT_TRUE(rig.Requests().empty()) << "no request reaches the camera";
    }
}

}  // namespace
