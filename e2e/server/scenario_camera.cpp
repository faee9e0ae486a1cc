#include "e2e/server/scenario_camera.h"

#include <windows.h>

#include "e2e/server/saving_ports.h"
#include "e2e/server/trace_file.h"

namespace e2e {

std::unique_ptr<ScenarioCamera> ScenarioCamera::Make(const Scenario& s, std::string* error) {
    std::unique_ptr<ScenarioCamera> made(new ScenarioCamera(s));
    simcam::SimCamera& c = made->camera_;
    c.SetChipId(s.chipId);
    c.SetFlashPart(s.flashPart);
    if (!s.flashIn.empty() && !c.LoadFlash(s.flashIn)) {
        *error = "cannot load flash contents from " + s.flashIn + " (65536 bytes expected)";
        return nullptr;
    }
    c.SetReg2045(s.reg2045);
    c.SetSensorFitted(s.sensorFitted);
    c.SetPacketLength(s.packetLength);
    c.SetBusyPolls(s.busyPolls);
    c.SetWipReads(s.wipReads);
    c.SetNodeId(s.node);
    // From the camera's first call on: the engine is never seen idle.
    if (s.spiBusyStuck) c.StickBusyFromCall(0);
    for (uint32_t selector : s.failSelectors) c.FailSelector(selector);
    if (s.checksumError != 0) c.SetChecksumError(s.checksumError);
    const DWORD delay = s.downloadDelayMs;
    const uint32_t unplugAfter = s.unplugAfterPackets;
    if (delay != 0 || unplugAfter != 0) {
        c.SetCallHook([&c, delay, unplugAfter] {
            if (delay != 0 && c.EngineEnabled()) Sleep(delay);
            // The hook runs before the call is numbered: the size of the
            // record is the number this call will take.
            if (unplugAfter != 0 && c.PacketsReceived() >= unplugAfter) c.FailFromCall(c.Calls().size());
        });
    }
    return made;
}

IKsControl* ScenarioCamera::NewKsControl() { return new SavingKsControl(camera_.NewKsControl(), this); }

IDriverXu* ScenarioCamera::NewDriverXu() { return new SavingDriverXu(camera_.NewDriverXu(), this); }

void ScenarioCamera::AfterCall() {
    const size_t writes = camera_.EnableHistory().size();
    if (writes == enableWritesSeen_) return;
    enableWritesSeen_ = writes;
    if (!camera_.EngineEnabled()) SaveOutputs();
}

void ScenarioCamera::SaveOutputs() const {
    if (!scenario_.flashOut.empty()) camera_.SaveFlash(scenario_.flashOut);
    if (!scenario_.traceOut.empty()) WriteTraceFile(scenario_.traceOut, camera_.Requests());
}

}  // namespace e2e
