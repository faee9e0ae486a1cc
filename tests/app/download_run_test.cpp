#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/interrupts.h"
#include "tests/support/rig_window.h"
#include "update/run_async.h"

namespace {

using simcam::Kind;
using simcam::Path;

const Path kPaths[] = {Path::KsNode, Path::DriverXu};
const std::string kComplete = "Update complete!\r\nPlease close this program.\r\n";
const std::string kFail = "Update fail,\r\nPlease re-start this program.\r\n";
const std::string kQuestion = "It seems that the bincode is NOT for the IC\nDo you really want to download?";

TEST(DownloadRun, AGoodRunOnEachPathEndsCompleteWithAFullBar) {
    for (Path path : kPaths) {
        UpdateRig rig(path, Worker::Deferred);
        rig.window->downloadEnabled = true;  // as a finished run leaves it
        rig.Check();
        TestWindow& w = *rig.window;
        // Downloading: the worker has been started and nothing else touches the camera.
        ASSERT_NE(gDeferredRoutine, nullptr);
        EXPECT_EQ(w.busy, 1);
        EXPECT_FALSE(w.closeEnabled);
        EXPECT_FALSE(w.downloadEnabled);
        EXPECT_EQ(w.progress, 0);
        EXPECT_EQ(w.started.back(), (std::pair<UINT_PTR, UINT>{kProgressTimer, 595}));
        EXPECT_EQ(w.redraws, 1);
        EXPECT_EQ(w.scrolls, 1) << "the log shown to its last line as the download starts";
        EXPECT_EQ(w.imageBuffer[0xC006], 0x06) << "patched for FlashType 4";
        EXPECT_EQ(w.transferLog, "Tarvex Camera " + std::string(path == Path::KsNode ? "(UVC), " : "(T+), ") +
                                     "\r\nStart Download to Tarvex Camera " +
                                     (path == Path::KsNode ? "(UVC), " : "(T+), "));
        // The bar moves while the worker runs, and stops at full.
        for (int tick = 1; tick <= 30; ++tick) {
            w.ProgressTick();
            EXPECT_EQ(w.progress, tick * 4 > 100 ? 100 : tick * 4);
        }
        EXPECT_FALSE(w.CloseRequested()) << "no close while downloading";
        EXPECT_TRUE(w.engine.HoldsDevice());

        gDeferredRoutine(gDeferredParameter);
        EXPECT_EQ(w.workerResult, 1) << w.transferLog;
        const int scrolls = w.scrolls;
        w.ProgressTick();
        EXPECT_EQ(w.scrolls, scrolls + 1) << "the log shown to its last line at the verdict";
        EXPECT_EQ(w.statusText, "Auto updating...(V0309)\r\n" + kComplete);
        EXPECT_EQ(w.shown.back(), w.statusText);
        EXPECT_EQ(w.progress, 100);
        EXPECT_EQ(w.busy, 0);
        EXPECT_TRUE(w.closeEnabled);
        EXPECT_TRUE(w.downloadEnabled) << "enabled again, though never shown";
        EXPECT_FALSE(w.TimerRunning(kProgressTimer));
        EXPECT_EQ(w.workerDone.load(), 0);
        EXPECT_FALSE(w.engine.HoldsDevice());
        EXPECT_EQ(pExt, nullptr) << "the channel is closed before Close is usable";
        EXPECT_TRUE(rig.sim.Flash() == rig.Expected(kImageV0309, 4));
        EXPECT_TRUE(rig.sim.Committed());

        // Closing after a run sends nothing: no pulse, no channel.
        const size_t before = rig.Requests().size();
        EXPECT_TRUE(w.CloseRequested());
        EXPECT_EQ(rig.Requests().size(), before);
    }
}

TEST(DownloadRun, AFailedRunAppendsTheFailTextAndLeavesTheBar) {
    UpdateRig rig(Path::KsNode, Worker::Deferred);
    rig.sim.SetChecksumError(0x01);
    rig.Check();
    TestWindow& w = *rig.window;
    for (int tick = 0; tick < 3; ++tick) w.ProgressTick();
    gDeferredRoutine(gDeferredParameter);
    w.ProgressTick();
    EXPECT_EQ(w.statusText, "Auto updating...(V0309)\r\n" + kFail);
    EXPECT_EQ(w.progress, 12);
    EXPECT_TRUE(w.closeEnabled);
    EXPECT_FALSE(rig.sim.Committed());
    EXPECT_NE(w.transferLog.find("XU_DFU_CHECKSUM incorrect\r\n"), std::string::npos);
}

// Why a download failed reaches the front end as a value.
TEST(DownloadRun, TheEngineSaysWhyADownloadFailed) {
    const struct { const char* name; std::function<void(UpdateRig&)> arrange; Failure failure;
                   Worker worker = Worker::Inline; } cases[] = {
        {"a good run", nullptr, Failure::None},
        {"checksum", [](UpdateRig& r) { r.sim.SetChecksumError(0x01); }, Failure::ChecksumMismatch},
        {"unplugged", [](UpdateRig& r) { r.sim.SetFailureResult(HRESULT_FROM_WIN32(1167L)), r.sim.FailSelector(10); },
         Failure::CameraGone},
        {"a packet refused", [](UpdateRig& r) { r.sim.FailSelector(10); }, Failure::RequestFailed},
        {"the flash does not keep a bit", [](UpdateRig& r) { r.sim.SetCallHook([&r, lost = false]() mutable {
             if (!lost && r.sim.BytesReceived() >= kFirmwareImageSize) r.sim.Flash()[0x100] ^= 0x01, lost = true; }); },
         Failure::VerifyFailed},
        {"the read-back refused", [](UpdateRig& r) { r.sim.SetCallHook([&r] {
             if (r.sim.BytesReceived() >= kFirmwareImageSize) r.sim.FailSelector(15); }); }, Failure::RequestFailed},
        {"no thread", nullptr, Failure::NoWorker, Worker::Unstartable},
    };
    for (const auto& c : cases) {
        UpdateRig rig(Path::KsNode, c.worker);
        if (c.arrange) c.arrange(rig);
        rig.Check();
        EXPECT_EQ(rig.TickUntilFinished(), 1) << c.name;
        EXPECT_EQ(rig.window->engine.DownloadFailure(), c.failure) << c.name;
    }
}

// Only exactly 1 is a success.
TEST(DownloadRun, TheVerdictIsSuccessOnlyForOne) {
    for (int32_t result : {1, 0, 2, -1}) {
        UpdateRig rig(Path::KsNode, Worker::Deferred);
        rig.Check();
        TestWindow& w = *rig.window;
        w.workerResult = result;
        w.workerDone.store(1);
        w.ProgressTick();
        EXPECT_EQ(w.statusText, "Auto updating...(V0309)\r\n" + (result == 1 ? kComplete : kFail));
        EXPECT_EQ(w.progress, result == 1 ? 100 : 0);
    }
}

TEST(DownloadRun, AWorkerDoneBeforeTheFirstTickFinishesAtOnce) {
    UpdateRig rig(Path::DriverXu, Worker::Inline);
    rig.Check();
    EXPECT_EQ(rig.window->workerDone.load(), 1);
    EXPECT_EQ(rig.TickUntilFinished(), 1);
    EXPECT_EQ(rig.window->statusText, "Auto updating...(V0309)\r\n" + kComplete);
}

// The worker on its own thread: the tick sees its result through the flag.
TEST(DownloadRun, TheWorkerOnItsOwnThreadHandsOverItsResult) {
    UpdateRig rig(Path::KsNode, Worker::RealThread);
    rig.Check();
    TestWindow& w = *rig.window;
    for (int spins = 0; w.workerDone.load(std::memory_order_acquire) == 0 && spins < 50000000; ++spins)
        std::this_thread::yield();
    ASSERT_EQ(w.workerDone.load(), 1) << "the worker ended";
    w.ProgressTick();
    EXPECT_EQ(w.statusText, "Auto updating...(V0309)\r\n" + kComplete);
    EXPECT_TRUE(rig.sim.Flash() == rig.Expected(kImageV0309, 4));
}

TEST(DownloadRun, NoThreadMeansAFailedRun) {
    UpdateRig rig(Path::KsNode, Worker::Unstartable);
    rig.Check();
    EXPECT_EQ(rig.TickUntilFinished(), 1);
    EXPECT_EQ(rig.window->statusText, "Auto updating...(V0309)\r\n" + kFail);
    EXPECT_FALSE(rig.Sent(10)) << "nothing was written";
}

// Variants 2 and 3: the run itself found a write due, the window's own
// decision or image says otherwise.
TEST(DownloadRun, StartDoesNothingWithoutADecisionOrAnImage) {
    for (int variant = 0; variant < 4; ++variant) {
        UpdateRig rig;
        TestWindow& w = *rig.window;
        if (variant >= 2) { ASSERT_EQ(w.CheckCamera(), CheckVerdict::Update); }
        const std::string log = w.transferLog;
        const size_t requests = rig.Requests().size();
        const int enumerations = rig.Enumerations();
        w.updateNeeded = variant % 2;
        w.imageBuffer.reset(variant % 2 ? nullptr : new uint8_t[65536]());
        w.imageSize = 65536;
        w.StartDownload();
        EXPECT_TRUE(w.questions.empty()) << variant;
        EXPECT_EQ(w.transferLog, log) << variant;
        EXPECT_EQ(w.busy, 0) << variant;
        EXPECT_EQ(rig.Requests().size(), requests) << variant;
        EXPECT_EQ(rig.Enumerations(), enumerations) << variant;
    }
    // A check that finds nothing due keeps no image an earlier one chose.
    UpdateRig rig;
    ASSERT_EQ(rig.window->CheckCamera(), CheckVerdict::Update);
    rig.OldFirmware(0x06);
    EXPECT_EQ(rig.window->CheckCamera(), CheckVerdict::Current);
    EXPECT_EQ(rig.window->imageBuffer, nullptr);
}

TEST(DownloadRun, AnImageNotForTheChipIsWrittenOnlyAfterYes) {
    for (int answer : {IDNO, IDYES}) {
        UpdateRig rig(Path::KsNode, Worker::Inline);
        std::vector<uint8_t> image = rig.Expected(kImageV0309, 4);
        image[0x8000] = 0x11;
        rig.window->imageOverride = image;
        rig.window->answer = answer;
        rig.Check();
        TestWindow& w = *rig.window;
        EXPECT_EQ(w.questions, std::vector<std::string>{kQuestion});
        EXPECT_EQ(w.askedCaption, "Warning");
        EXPECT_EQ(w.askedStyle, UINT(MB_YESNO | MB_ICONEXCLAMATION));
        EXPECT_EQ(w.askedStyle, UINT(0x34));
        if (answer == IDNO) {
            EXPECT_EQ(w.statusText, "Checking...\r\n");
            EXPECT_EQ(w.busy, 0);
            EXPECT_TRUE(w.closeEnabled);
            EXPECT_EQ(w.transferLog.find("Start Download"), std::string::npos);
            EXPECT_FALSE(rig.Sent(9));
            EXPECT_EQ(rig.Enumerations(), 1) << "the camera is not opened again";
            EXPECT_EQ(w.updateNeeded, 1);
            const size_t before = rig.Requests().size();
            EXPECT_TRUE(w.CloseRequested());
            EXPECT_EQ(rig.Requests().size(), before) << "no pulse after a decision to update";
        } else {
            EXPECT_EQ(rig.TickUntilFinished(), 1);
            EXPECT_EQ(w.statusText, "Auto updating...(V0309)\r\n" + kComplete);
            EXPECT_EQ(rig.sim.Flash()[0x8000], 0x11);
        }
    }
}

TEST(DownloadRun, BothCarriedImagesPassTheDescriptorCheck) {
    for (uint8_t reg : {uint8_t(0x00), uint8_t(0x04)}) {
        UpdateRig rig;
        rig.sim.SetReg2045(reg);
        rig.Check();
        EXPECT_TRUE(rig.window->questions.empty());
    }
}

// Between the check and the download (the question a front end asks sits
// there) the checked camera may go, or another take its place: nothing is
// written, the run fails as a failed reopen does, and the other camera
// hears nothing after the reopen's own reads.
TEST(DownloadRun, ACameraGoneOrSwappedBeforeTheSecondOpenGetsNothingWritten) {
    enum Change { Gone, ElsewhereNow, OtherChip, OtherFlash, OtherProduct, OtherPort, OtherSerial, NoLongerOurs,
                  OthersIdNow, SensorOtherNow, FlashStuck };
    const struct { const char* name; Change change; const char* tail; } cases[] = {
        {"gone", Gone, "\r\nStart Download to NO Camera hardware.\r\nDriver Connection Fail\r\n"},
        {"another at another place", ElsewhereNow, "Camera changed since the check: sim1, was sim0.\r\n"},
        {"another chip at its place", OtherChip, "Camera changed since the check: chip ID 66, was 65.\r\n"},
        {"another flash at its place", OtherFlash, "Camera changed since the check: flash type 2, was 4.\r\n"},
        // Same processor, same flash, same node: only the system tells them apart.
        {"another product at its place", OtherProduct,
         "Camera changed since the check: USB ID 4271:03D6, was 4271:03D5.\r\n"},
        // A hub between them: the same node name, another port.
        {"another at another port", OtherPort, "Camera changed since the check: on the bus at usb1/1-4, was usb1/1-1.\r\n"},
        {"another unit at its place", OtherSerial, "Camera changed since the check: serial B2, was A1.\r\n"},
        {"the system no longer lists it as ours", NoLongerOurs,
         "Camera changed since the check: its hardware ID no longer shows it is ours.\r\n"},
        // Ours still listed, but no longer as the reopened camera's own.
        {"its own hardware ID another maker's now", OthersIdNow,
         "Camera changed since the check: its hardware ID no longer shows it is ours.\r\n"},
        // Vouched by its sensor, which still comes up but answers another ID.
        {"its sensor another now", SensorOtherNow,
         "Camera changed since the check: its sensor no longer shows it is ours.\r\n"},
        // Its flash can no longer be identified: nothing is written over a part unknown.
        {"its flash no longer identified", FlashStuck, "IdentifyFlash gave up: SPI engine never idle (0x90).\r\n"},
    };
    for (const auto& c : cases) {
        simcam::SimCamera other;
        other.SetChipId(c.change == OtherChip ? 0x66 : 0x65);
        other.SetFlashPart(c.change == OtherFlash ? simcam::FlashPart::Type2a : simcam::FlashPart::Type4);
        const std::vector<uint8_t> otherFlash = other.Flash();
        UpdateRig rig(Path::KsNode, Worker::Deferred);
        TestWindow& w = *rig.window;
        rig.source.devices[0].serial = "A1";
        if (c.change == SensorOtherNow) rig.HardwareIds({});
        w.StartUp(true, 1);
        ASSERT_EQ(w.CheckCamera(), CheckVerdict::Update) << c.name;
        if (c.change == SensorOtherNow) rig.sim.SetSensorFitted(false);
        if (c.change == FlashStuck) rig.sim.StickBusyFromCall(rig.sim.Calls().size());
        if (c.change == Gone) rig.CamerasGoneFrom(2);
        if (c.change == ElsewhereNow) {
            simcam::SimCamera& passedOver = other;
            passedOver.SetChipId(0x93);
            rig.source.devices.insert(rig.source.devices.begin(), SimulatedDevice(passedOver, false));
        }
        if (c.change != Gone && c.change != ElsewhereNow && c.change != NoLongerOurs && c.change != OthersIdNow &&
            c.change != SensorOtherNow && c.change != FlashStuck)
            rig.source.devices[0] = SimulatedDevice(other, false);
        rig.source.devices[0].serial = c.change == OtherSerial ? "B2" : "A1";
        if (c.change == OtherProduct) rig.source.devices[0].usb = UsbIdentity{0x4271, 0x03D6, 0x0100};
        if (c.change == OtherPort) rig.source.devices[0].busPlace = "usb1/1-4";
        if (c.change == NoLongerOurs) rig.HardwareIds({});
        if (c.change == OthersIdNow) rig.source.devices[0].hardwareIds = "USB\\VID_1D6B&PID_0C01";
        const size_t ourRequests = rig.Requests().size();
        w.StartDownload();
        EXPECT_EQ(w.statusText, "Checking...\r\nUpdate fail,\r\nPlease re-start this program.\r\n") << c.name;
        EXPECT_EQ(w.shown.back(), w.statusText) << c.name;
        const std::string tail = c.tail;
        ASSERT_GE(w.transferLog.size(), tail.size()) << c.name;
        EXPECT_EQ(w.transferLog.substr(w.transferLog.size() - tail.size()), tail) << c.name;
        EXPECT_EQ(w.busy, 0) << c.name;
        EXPECT_TRUE(w.closeEnabled) << c.name;
        EXPECT_FALSE(w.TimerRunning(kProgressTimer)) << c.name;
        EXPECT_EQ(gDeferredRoutine, nullptr) << c.name << ": no worker";
        EXPECT_EQ(pExt, nullptr) << c.name << ": the channel to a camera refused is let go";
        if (c.change == Gone || c.change == ElsewhereNow) {
            // Found elsewhere, the checked camera hears its chip-ID read.
            EXPECT_EQ(rig.Requests().size(), ourRequests + (c.change == ElsewhereNow ? 2 : 0)) << c.name;
        }
        const size_t otherRequests = other.Requests().size();
        EXPECT_TRUE(w.CloseRequested()) << c.name;
        EXPECT_EQ(other.Requests().size(), otherRequests) << c.name << ": the close sends nothing";
        EXPECT_EQ(other.PacketsReceived(), 0u) << c.name;
        EXPECT_EQ(other.EraseCount(), 0u) << c.name;
        EXPECT_EQ(other.Flash(), otherFlash) << c.name;
    }
}

// The run's roads for a front end that asks: what the run calls on the
// view, how it ends, and what reaches the camera after the check. Only the
// road that writes addresses 0x20BA (the image choice); a road that ends
// with nothing decided sends the pulse, one that found an update due nothing.
TEST(UpdateRun, EachRoadCallsTheViewAndReachesTheCameraOnlyAsItNeeds) {
    constexpr size_t kDownload = SIZE_MAX;  // the whole download: written and committed
    constexpr size_t kChoice = 6;           // 0x20BA read and written, 0x2045 read
    constexpr size_t kReopened = kChoice + 54;  // then the camera opened again and confirmed
    const std::function<void(UpdateRig&, TestView&)> notForTheChip = [](UpdateRig& r, TestView& v) {
        v.imageOverride = r.Expected(kImageV0309, 4);
        v.imageOverride[0x8000] = 0x11;
    };
    simcam::SimCamera ours;  // beside another maker's camera
    ours.SetFlashPart(simcam::FlashPart::Type4);
    const struct {
        const char* name; std::function<void(RunPolicy&)> policy; std::function<void(UpdateRig&, TestView&)> arrange;
        RunEnd end; Failure failure; const char* calls;
        size_t afterCheck;  // requests after the check, or kDownload
    } cases[] = {
        {"current", nullptr, [](UpdateRig& r, TestView&) { r.OldFirmware(0x06); }, RunEnd::Current, Failure::None,
         "checking describe verdict", 2},
        {"due, yes", nullptr, nullptr, RunEnd::Updated, Failure::None,
         "checking describe ask-write writing ended verdict", kDownload},
        {"due, no", nullptr, [](UpdateRig&, TestView& v) { v.answers[int(Question::Write)] = Answer::No; },
         RunEnd::Declined, Failure::None, "checking describe ask-write verdict", 0},
        {"due, a check", [](RunPolicy& p) { p.write = false; }, nullptr, RunEnd::UpdateDue, Failure::None,
         "checking describe verdict", 0},
        {"battery", nullptr, [](UpdateRig&, TestView& v) { v.power = {true, 0}; }, RunEnd::OnBattery, Failure::None,
         "checking describe verdict", 0},
        {"battery after the yes", [](RunPolicy& p) { p.powerAt = PowerAt::Consent; },
         [](UpdateRig&, TestView& v) { v.power = {true, 0}; }, RunEnd::OnBattery, Failure::None,
         "checking describe ask-write verdict", 0},
        {"the lock held by another run", [](RunPolicy& p) { p.lockProgram = "test"; }, [](UpdateRig&, TestView& v) {
             v.run.takeLock = [](const std::string&, RunVerdict* no) { no->end = RunEnd::AnotherUpdate; return false; };
         }, RunEnd::AnotherUpdate, Failure::None, "verdict", 0},
        {"no terminal", [](RunPolicy& p) { p.canAsk = false; }, nullptr, RunEnd::NoOneToAsk, Failure::None,
         "checking describe verdict", 0},
        {"not ours", nullptr,
         [](UpdateRig& r, TestView&) { r.HardwareIds({}); r.sim.SetSensorFitted(false); r.sim.Flash()[0x8008] = 0x42; },
         RunEnd::NotOurs, Failure::None, "checking describe verdict", 2},
        {"failed check", nullptr, [](UpdateRig& r, TestView&) { r.sim.FailSelector(14); }, RunEnd::CheckFailed,
         Failure::FlashUnreadable, "checking describe verdict", 0},
        {"not for the chip, yes", nullptr, notForTheChip, RunEnd::Updated, Failure::None,
         "checking describe ask-write writing ask-image ended verdict", kDownload},
        {"not for the chip, no", nullptr, [&](UpdateRig& r, TestView& v) {
             notForTheChip(r, v);
             v.answers[int(Question::ImageNotForChip)] = Answer::No;
         }, RunEnd::Declined, Failure::NotAgreed, "checking describe ask-write writing ask-image verdict", kChoice},
        // The image to hold the flash against is too short: no compare, no verdict of current.
        {"current by its code, an image too short to compare", nullptr, [](UpdateRig& r, TestView& v) {
             r.OldFirmware(0x06);
             v.imageOverride = r.Expected(kImageV0309, 4), v.imageOverride.resize(kMinFirmwareImageSize - 1);
         }, RunEnd::CheckFailed, Failure::ImageTooShort, "checking describe verdict", 0},
        {"current by its code, an image shorter than the flash", nullptr, [](UpdateRig& r, TestView& v) {
             r.OldFirmware(0x06);
             v.imageOverride = r.Expected(kImageV0309, 4), v.imageOverride.resize(kMinFirmwareImageSize);
         }, RunEnd::Current, Failure::None, "checking describe verdict", 2},
        {"another maker's camera first, ours beside it", nullptr, [&](UpdateRig& r, TestView&) {
             r.source.devices[0].hardwareIds = "USB\\VID_1D6B&PID_0C01&REV_0100", r.sim.SetSensorFitted(false);
             r.sim.Flash().assign(r.sim.Flash().size(), 0xFF), r.source.devices.push_back(SimulatedDevice(ours, false));
         }, RunEnd::NotOurs, Failure::None, "checking describe verdict", 2},
        {"not for the chip, unattended", [](RunPolicy& p) { p.ask = false; p.canAsk = false; }, notForTheChip,
         RunEnd::StartFailed, Failure::NotAgreed, "checking describe writing verdict", kChoice},
        {"gone at the reopen", nullptr, [](UpdateRig& r, TestView&) { r.CamerasGoneFrom(2); }, RunEnd::StartFailed,
         Failure::CameraNotReopened, "checking describe ask-write writing verdict", kChoice},
        // A camera that reads one byte at a time once the compare's first
        // block is in: the compare stops at its bound, and says so.
        {"current, its read length cut after a block", nullptr, [](UpdateRig& r, TestView&) {
             r.OldFirmware(0x06);
             // Once the code byte's block and the compare's first are read.
             r.sim.SetCallHook([&r, reads = 0]() mutable {
                 const auto& calls = r.sim.Calls();
                 if (!calls.empty() && calls.back().selector == 15 && calls.back().op == simcam::Op::Get && ++reads == 2)
                     r.sim.SetBlockLength(1);
             });
         }, RunEnd::Current, Failure::None, "checking describe verdict", 2},
        // After a failed one, a second run on the same engine waits for its own worker's verdict.
        {"a second run, its worker later", nullptr, [](UpdateRig& r, TestView& v) {
             r.sim.SetChecksumError(0x01), v.run.Run(kProgressStep, nullptr), r.sim.ClearFaults(), r.OldFirmware(0x04);
             SetThreadStarter(Defer), r.sim.ClearTrace(), v.calls.clear(), v.logLines.clear();
         }, RunEnd::Updated, Failure::None, "checking describe ask-write writing ended verdict", kDownload},
        // Held off once the download runs; until then it ends the run (the
        // last row: the process then stays interrupted).
        {"an interrupt after the first packet", [](RunPolicy& p) { p.interrupts = true; },
         [](UpdateRig&, TestView& v) { v.progressed = [n = 0]() mutable { if (n++ == 0) TakeInterrupt(false); }; }, RunEnd::Updated,
         Failure::None, "checking describe ask-write writing ended verdict", kDownload},
        {"an interrupt at the reopen", [](RunPolicy& p) { p.interrupts = true; }, [](UpdateRig& r, TestView& v) {
             v.writing = [&r] { r.sim.SetCallHook([] { TakeInterrupt(false); }); };
         }, RunEnd::Interrupted, Failure::None, "checking describe ask-write writing verdict", kReopened},
        {"an interrupt before the first packet", [](RunPolicy& p) { p.interrupts = true; },
         [](UpdateRig&, TestView& v) {
             LeaveDownload();  // the row before left the process interrupted: a run after a download's
             v.writing = [] { TakeInterrupt(false); };
         }, RunEnd::Interrupted,
         Failure::None, "checking describe ask-write writing verdict", kChoice},
    };
    for (const auto& c : cases) {
        UpdateRig rig(Path::KsNode, Worker::Inline);
        RunPolicy policy;
        if (c.policy) c.policy(policy);
        TestView view(policy);
        if (c.arrange) c.arrange(rig, view);
        size_t checked = 0;
        view.described = [&] { checked = rig.Requests().size(); };
        const auto worker = [] { if (gDeferredRoutine) std::exchange(gDeferredRoutine, nullptr)(gDeferredParameter); };
        EXPECT_EQ(view.run.Run(kProgressStep, worker).end, c.end) << c.name;
        EXPECT_EQ(view.verdict.failure, c.failure) << c.name;
        EXPECT_EQ(view.calls, c.calls) << c.name;
        EXPECT_EQ(rig.Addressed(0x20BA), c.afterCheck >= kChoice) << c.name;
        if (c.afterCheck == kDownload) {
            EXPECT_TRUE(rig.sim.Committed()) << c.name;
            // The download's own lines, each once: none the log held before it.
            const std::string& log = view.run.transferLog;
            EXPECT_LT(view.logLines.size(), log.size()) << c.name;
            EXPECT_EQ(log.substr(log.size() - std::min(log.size(), view.logLines.size())), view.logLines) << c.name;
        } else
            EXPECT_EQ(rig.Requests().size() - checked, c.afterCheck) << c.name;
        EXPECT_FALSE(view.run.engine.HoldsDevice()) << c.name;
        // No check spends more than the compare may, whatever the camera answers.
        EXPECT_LT(checked, 1200u) << c.name;
        EXPECT_EQ(view.verdict.advice.empty(), !view.run.Found().compareSkipped) << c.name;
        EXPECT_EQ(rig.sim.PacketsReceived() > 0, c.afterCheck == kDownload) << c.name;
        EXPECT_EQ(TakeHeldOffInterrupts(), c.end == RunEnd::Updated && c.policy ? 1 : 0) << c.name;
    }
}

// Closing: the pulse follows a stop of the check and nothing else.
TEST(Close, PulsesOnlyAfterTheCheckStopped) {
    {
        UpdateRig rig;
        rig.OldFirmware(0x06);  // current: "No need to update!"
        rig.Check();
        const size_t before = rig.Requests().size();
        EXPECT_TRUE(rig.window->CloseRequested());
        const auto requests = rig.Requests();
        ASSERT_EQ(requests.size(), before + 2);
        EXPECT_EQ(requests[before].selector, 9u);
        EXPECT_EQ(requests[before].bytes, std::vector<uint8_t>{0x01});
        EXPECT_EQ(requests[before + 1].bytes, std::vector<uint8_t>{0x00});
        EXPECT_EQ(pExt, nullptr);
        EXPECT_FALSE(rig.window->engine.HoldsDevice());
        EXPECT_EQ(rig.sim.Flash()[0x1000], rig.Expected(kImageV0309, 4)[0x1000])
            << "the pulse keeps the firmware";
    }
    {
        UpdateRig rig;
        rig.NoCaptureDevices();
        rig.Check();
        EXPECT_TRUE(rig.window->CloseRequested());
        EXPECT_TRUE(rig.Requests().empty()) << "no channel, nothing to pulse";
    }
}



// The run for a front end with a loop: its posts queued until the test
// runs them, as a loop's thread would.
class TestLoop {
public:
    PostToLoop Post() {
        return [this](std::function<void()> work) {
            std::lock_guard<std::mutex> lock(mutex_);
            work_.push_back(std::move(work));
            posted_.notify_all();
        };
    }
    void RunQueued() {
        while (true) {
            std::unique_lock<std::mutex> lock(mutex_);
            if (work_.empty()) return;
            std::function<void()> work = std::move(work_.front());
            work_.pop_front();
            lock.unlock();
            work();
        }
    }
    // Runs what comes until `done`; false when the run posts nothing more
    // within a bound no run on virtual time comes near.
    bool RunUntil(const std::function<bool()>& done) {
        while (!done()) {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!posted_.wait_for(lock, std::chrono::seconds(30), [this] { return !work_.empty(); })) return false;
            std::function<void()> work = std::move(work_.front());
            work_.pop_front();
            lock.unlock();
            work();
        }
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> work_;
};

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

struct AsyncView : AsyncRunView {
    AsyncView(TestLoop& loop, RunPolicy policy) : async(*this, std::move(policy), loop.Post()) {
        async.Run().engine.history = UpdateHistory(state.Name());
        async.Run().readPower = [] { return PowerState{true, 1}; };
        async.Start(false);
    }
    void Checking() override { calls += "checking "; }
    void Describe(const CheckReport&) override { calls += "describe "; }
    void Ask(Question, const CheckReport&, Reply reply) override {
        calls += "ask ";
        consent = std::move(reply);
    }
    void Writing(const CheckReport&) override { calls += "writing "; }
    void ShowVerdict(const RunVerdict& v, const CheckReport&) override {
        calls += "verdict ";
        verdict = v;
    }
    void Ended() override { calls += "ended"; }
    void LogAdded(const std::string& lines) override { posted.push_back(lines); }

    TempFolder state;
    std::string calls;
    std::vector<std::string> posted;  // the log, as LogAdded gave it
    Reply consent;
    RunVerdict verdict;
    CRunAsync async;  // last: gone first
};

// The question waits for the person: nothing reaches the camera between
// the check and Update; a window closed before its posts are run (during
// the check) or left at the question writes nothing, and no post reaches
// a view that is gone.
TEST(RunAsync, NothingIsWrittenBeforeTheAnswerAndNothingShownAfterTheViewIsGone) {
    enum Act { Update, CloseDuringCheck, Leave };
    const struct { const char* name; Act act; RunEnd end /* where the view sees it */; const char* calls; } cases[] = {
        {"Update", Update, RunEnd::Updated, "checking describe ask writing verdict ended"},
        {"a close during the check", CloseDuringCheck, RunEnd::Declined, ""},
        {"leaving while due", Leave, RunEnd::Declined, "checking describe ask verdict ended"},
    };
    for (const auto& c : cases) {
        UpdateRig rig(Path::KsNode, Worker::Inline);
        TestLoop loop;
        RunPolicy policy;
        policy.powerAt = PowerAt::Consent;
        auto view = std::make_unique<AsyncView>(loop, policy);
        if (c.act == CloseDuringCheck) {
            view.reset();  // the run's posts wait in the loop, the view gone
            loop.RunQueued();
            EXPECT_FALSE(rig.Addressed(0x20BA)) << c.name;
            EXPECT_FALSE(rig.sim.Committed()) << c.name;
            continue;
        }
        ASSERT_TRUE(loop.RunUntil([&] { return bool(view->consent); })) << c.name;
        EXPECT_FALSE(rig.Addressed(0x20BA)) << c.name << ": the image chosen before the answer";
        if (c.act == Update)
            view->consent(Answer::Yes);
        else
            view->async.Leave();
        ASSERT_TRUE(loop.RunUntil([&] { return EndsWith(view->calls, "ended"); })) << c.name;
        EXPECT_EQ(view->calls, c.calls) << c.name;
        EXPECT_EQ(view->verdict.end, c.end) << c.name;
        std::string whole;  // all of the log, in whole lines but for the run's last
        for (size_t i = 0; i < view->posted.size(); whole += view->posted[i++])
            EXPECT_TRUE(EndsWith(view->posted[i], "\n") || i + 1 == view->posted.size()) << c.name << ": " << view->posted[i];
        EXPECT_EQ(whole, view->async.Run().transferLog) << c.name;
        EXPECT_EQ(rig.sim.Committed(), c.act == Update) << c.name;
        EXPECT_EQ(rig.Addressed(0x20BA), c.act == Update) << c.name;
    }
}

}  // namespace
