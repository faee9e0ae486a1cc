#include "tests/fuzz/answer_run.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/fuzz/answer_camera.h"
#include "tests/fuzz/answer_format.h"
#include "tests/support/rig_whole_update.h"

namespace {

// Camera time per call, the tick limit and the program's texts are those of
// the whole-update tests: the fuzzer judges a run as they do.
using whole_update::EndsWith;
using whole_update::kCallCostMs;
using whole_update::kComplete;
using whole_update::kTickLimit;

}  // namespace

bool AnswerRun::Complete() const { return EndsWith(status, kComplete); }

void ListCamera(ListedSource& source, uint8_t setUp, const std::function<IKsControl*()>& node,
                const std::function<IDriverXu*()>& driver) {
    source.devices.push_back(DeviceOn((setUp & answers::kDriverPath) != 0, node, driver));
    if (setUp & answers::kListsOurId) source.ids.push_back(OurHardwareId());
}

AnswerRun RunWindow(ListedSource& source, std::vector<uint8_t>* image) {
    ScopedSource scopedSource(&source);
    ScopedStarter starter(RunInline);
    TestWindow window;
    const Verdict verdict = RunToVerdict(window, kTickLimit);
    AnswerRun run;
    run.finished = verdict.ticks >= 0;
    run.closable = verdict.closable;
    run.status = window.statusText;
    run.log = window.transferLog;
    if (image && window.imageBuffer && window.imageSize > 0)
        image->assign(window.imageBuffer.get(), window.imageBuffer.get() + window.imageSize);
    return run;
}

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
    ListedSource source;
    ListCamera(source, setUp, [&] { return camera.NodeReference(); }, [&] { return camera.DriverReference(); });
    std::vector<uint8_t> image;
    AnswerRun run = RunWindow(source, &image);
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
