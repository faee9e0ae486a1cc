#include "tests/fuzz/answer_run.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/sim_camera_source.h"
#include "tests/fuzz/answer_camera.h"
#include "tests/fuzz/answer_format.h"
#include "tests/reliability/whole_update.h"
#include "tests/support/update_rig.h"
#include "tests/support/virtual_clock.h"

namespace {

// Camera time per call, the tick limit and the program's texts are those of
// the whole-update tests: the fuzzer judges a run as they do.
using whole_update::EndsWith;
using whole_update::kCallCostMs;
using whole_update::kComplete;
using whole_update::kTickLimit;

class AnswerSource : public ListedSource {
public:
    AnswerSource(AnswerCamera& camera, uint8_t setUp) {
        devices.push_back({[&camera, setUp](CaptureDevice* device) {
            if (setUp & answers::kDriverPath)
                device->driver.Attach(camera.DriverReference());
            else
                device->control.Attach(camera.NodeReference());
            return S_OK;
        }});
        if (setUp & answers::kListsOurId) ids.push_back(OurHardwareId());
    }
};

}  // namespace

bool AnswerRun::Complete() const { return EndsWith(status, kComplete); }

AnswerRun RunAnswers(const uint8_t* data, size_t size) {
    const uint8_t setUp = size > 0 ? data[0] : 0;
    AnswerStream in(size > 0 ? data + 1 : data, size > 0 ? size - 1 : 0);
    VirtualClock clock;
    ScopedClock scoped(&clock);
    const size_t callBound = size + kExtraCalls;
    AnswerCamera camera(in, [&] {
        clock.now += kCallCostMs;
        if (camera.calls > callBound) {
            std::fprintf(stderr, "runaway: more than %zu driver calls\n", callBound);
            std::abort();
        }
    });
    AnswerSource source(camera, setUp);
    CameraSource* previousSource = SetCameraSource(&source);
    ThreadStarter previousStarter = SetThreadStarter(RunInline);

    AnswerRun run;
    std::vector<uint8_t> image;
    {
        TestWindow window;
        window.StartUp(true, 1);
        window.RunUpdateCheck();
        for (int tick = 0; tick < kTickLimit && window.busy; ++tick) window.ProgressTick();
        run.finished = window.busy == 0;
        run.closable = run.finished && window.CloseRequested();
        run.status = window.statusText;
        run.log = window.transferLog;
        if (window.imageBuffer && window.imageSize > 0)
            image.assign(window.imageBuffer.get(), window.imageBuffer.get() + window.imageSize);
    }
    SetThreadStarter(previousStarter);
    SetCameraSource(previousSource);

    run.calls = camera.calls;
    run.committed = camera.committed;
    const std::vector<uint8_t>& got = camera.received;
    run.tookTheImage = !image.empty() && got.size() >= image.size() &&
                       std::equal(image.begin(), image.end(), got.begin());
    for (size_t i = image.size(); run.tookTheImage && i < got.size(); ++i)
        run.tookTheImage = got[i] == 0xFF;
    run.nodeReferences = camera.NodeReferences();
    run.driverReferences = camera.DriverReferences();
    return run;
}

std::string BrokenPromise(const AnswerRun& run) {
    if (!run.finished) return "the run never reached its verdict";
    if (!run.closable) return "the window could not be closed after the run";
    const bool known = whole_update::OneOfTheProgramsTexts(run.status);
    if (!known) return "the window shows a text of no known kind: " + run.status;
    if (run.Complete() && !run.committed) return "Update complete! without a commit";
    if (run.Complete() && !run.tookTheImage) return "Update complete! though the camera did not take the image";
    if (run.nodeReferences != 0 || run.driverReferences != 0)
        return "driver references left held: " + std::to_string(run.nodeReferences) + " node, " +
               std::to_string(run.driverReferences) + " driver";
    return "";
}
