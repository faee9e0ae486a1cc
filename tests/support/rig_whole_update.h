// One whole update against the simulated camera, as the window runs it:
// start-up, the check, and progress ticks until the verdict, with the
// worker inline and every driver call costing a little camera time. What
// the run left behind is handed back for the test to judge.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/rig_device.h"
#include "tests/support/rig_window.h"

namespace whole_update {

// Three calls per register read on the driver path and two on the node path
// make a busy poll cost 6-9 ms, so the engine's 500 ms and the flash's 1 s
// bounds end a stuck wait before its poll count does.
constexpr uint64_t kCallCostMs = 3;

// With the worker inline the first tick finds it done; a run that needs
// more than a few has hung.
constexpr int kTickLimit = 5;

const std::string kComplete = "Update complete!\r\nPlease close this program.\r\n";
const std::string kFail = "Update fail,\r\nPlease re-start this program.\r\n";
const std::string kUpdating = "Auto updating...(V0309)\r\n";

// Every text the window may be left showing once an update attempt is over.
inline bool OneOfTheProgramsTexts(const std::string& status) {
    static const std::vector<std::string> texts = {
        "No need to update\r\n",
        "No need to update!!!\r\n",
        "No need to update!\r\n",
        "Checking...\r\n" + kFail,  // the check could not finish, or the camera did not reopen
        "Auto updating...(V0308)\r\n" + kComplete,
        "Auto updating...(V0308)\r\n" + kFail,
        kUpdating + kComplete,
        kUpdating + kFail,
    };
    for (const std::string& text : texts)
        if (status == text) return true;
    return false;
}

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

inline bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Thrown when a run goes past its bounds: the run is abandoned there and
// reported as runaway rather than left to spin.
struct Runaway {};

// Far more calls than any update needs (a one-byte block length reads the
// flash back in 65536 reads), and far more readings of the clock.
constexpr size_t kMostCalls = 1000000;
constexpr size_t kMostClockReadings = 10000000;

// Virtual time that gives up on a loop that only watches the clock.
class BoundedClock : public VirtualClock {
public:
    uint64_t NowMs() override {
        Count();
        return VirtualClock::NowMs();
    }
    void Sleep(uint32_t ms) override {
        Count();
        VirtualClock::Sleep(ms);
    }

private:
    void Count() {
        if (++readings_ > kMostClockReadings) throw Runaway();
    }
    size_t readings_ = 0;
};

struct Outcome {
    std::string status;
    std::string log;
    size_t calls = 0;
    uint64_t ms = 0;
    int ticks = 0;  // -1: not finished within kTickLimit
    bool runaway = false;
    bool closable = false;
    bool flashUpdated = false;  // the flash holds image 135 patched for type 4
    bool committed = false;
    bool enabled = false;      // the download engine was ever enabled
    bool leftEnabled = false;  // and is still enabled at the end
    uint32_t packets = 0;      // packets the engine accepted
    uint32_t erases = 0;       // erase sequences the engine issued
    int32_t flashType = kFlashTypeUnknown;  // what the check made of the flash
    bool leftSelected = false;  // the flash select still asserted at the end
    size_t strayRequests = 0;   // requests a passed-over camera got beyond its chip-ID reads
    std::vector<uint8_t> flash;       // as the run left it
    std::vector<simcam::Call> trace;  // kept when asked for
    std::vector<simcam::BusySpan> spans;  // every program and erase of the flash

    bool Complete() const { return EndsWith(status, kComplete); }
    bool Hung() const { return runaway || ticks < 0 || !closable; }
    // The engine erased a flash the check had not recognised.
    bool ErasedWithoutIdentification() const { return erases > 0 && flashType < 0; }
    // "Update complete!" only over a flash that really took the image.
    bool FalseSuccess() const { return Complete() && !(flashUpdated && committed); }
    bool TrueSuccess() const { return Complete() && flashUpdated && committed; }
    bool SaidCurrent() const { return status == "No need to update!\r\n"; }
};

// What a test adds to the rig's camera, which is a type 4 flash with older
// firmware, found by its hardware ID, register 0x2045 at 0: a good run
// writes image 135 patched for type 4.
struct Plan {
    std::function<void(UpdateRig&)> arrange;        // before the run
    std::function<void(UpdateRig&, size_t)> onCall;  // as driver call n (from 0) begins
    size_t callBound = kMostCalls;
    bool keepTrace = false;
    // A camera of another chip family listed before ours, on the same path.
    bool passedOver = false;
    // Where the engine keeps its records, when runs are to share them.
    std::string stateFolder;
};

// Only the chip-ID read, address 0x20FF then the value, may reach a camera
// that discovery passes over.
inline size_t StrayRequests(const simcam::SimCamera& other) {
    size_t stray = 0;
    for (const simcam::Request& r : other.Requests()) {
        const bool address = r.selector == 2 && r.kind == simcam::Kind::Set &&
                             r.bytes == std::vector<uint8_t>{0xFF, 0x20};
        const bool value = r.selector == 3 && r.kind == simcam::Kind::Get;
        if (!address && !value) ++stray;
    }
    return stray;
}

inline Outcome RunUpdate(simcam::Path path, const Plan& plan = Plan()) {
    UpdateRig rig(path, Worker::Inline);
    BoundedClock clock;
    ScopedClock scoped(&clock);
    CameraClock cameraClock(clock);
    rig.sim.SetClock(&cameraClock);
    Outcome out;
    rig.sim.SetCallHook([&] {
        clock.now += kCallCostMs;
        if (plan.onCall) plan.onCall(rig, out.calls);
        if (++out.calls > plan.callBound) throw Runaway();
    });
    if (!plan.stateFolder.empty()) rig.window->engine.history = UpdateHistory(plan.stateFolder);
    if (plan.arrange) plan.arrange(rig);
    simcam::SimCamera other;
    other.SetChipId(0x93);
    if (plan.passedOver)
        rig.source.devices.insert(rig.source.devices.begin(),
                                  SimulatedDevice(other, path == simcam::Path::DriverXu));
    TestWindow& w = *rig.window;
    try {
        const Verdict verdict = RunToVerdict(w, kTickLimit);
        out.ticks = verdict.ticks;
        out.closable = verdict.closable;
    } catch (const Runaway&) {
        out.runaway = true;
    }
    rig.sim.SetCallHook(nullptr);
    rig.sim.SetClock(nullptr);
    out.status = w.statusText;
    out.log = w.transferLog;
    out.ms = clock.now;
    out.flashUpdated = rig.sim.Flash() == rig.Expected(kImageV0309, 4);
    out.committed = rig.sim.Committed();
    out.enabled = !rig.sim.EnableHistory().empty();
    out.leftEnabled = rig.sim.EngineEnabled();
    out.packets = rig.sim.PacketsReceived();
    out.erases = rig.sim.EraseCount();
    out.flashType = w.flashType;
    out.leftSelected = rig.sim.Reg(0x2025) == SpiSelectLevel;
    out.strayRequests = StrayRequests(other);
    out.flash = rig.sim.Flash();
    if (plan.keepTrace) out.trace = rig.sim.Calls();
    out.spans = rig.sim.BusySpans();
    return out;
}

// The same with only an arrangement.
inline Outcome RunUpdate(simcam::Path path, const std::function<void(UpdateRig&)>& arrange) {
    Plan plan;
    plan.arrange = arrange;
    return RunUpdate(path, plan);
}

// A clean run's driver calls, for finding where to strike.
inline std::vector<simcam::Call> CleanTrace(simcam::Path path,
                                            const std::function<void(UpdateRig&)>& arrange = nullptr) {
    Plan plan;
    plan.arrange = arrange;
    plan.keepTrace = true;
    return RunUpdate(path, plan).trace;
}

// For messages: the status and the log on one line each.
inline std::string Flat(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') continue;
        out += c == '\n' ? std::string(" / ") : std::string(1, c);
    }
    return out;
}

inline std::string Show(const Outcome& o) {
    const std::string log = Flat(o.log);
    return "status: " + Flat(o.status) + "\n  log: " + (log.size() > 400 ? "..." + log.substr(log.size() - 400) : log);
}

}  // namespace whole_update
