// Records the simulated camera's answers to whole updates as fuzz seeds:
//   seed_maker DIR
// writes one file per camera below into DIR, and checks that each replays
// against the answer camera to the verdict the simulated camera gave.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "firmware/firmware_image.h"
#include "simcam/sim_camera.h"
#include "tests/fuzz/answer_format.h"
#include "tests/fuzz/answer_run.h"
#include "tests/fuzz/seed_recorder.h"
#include "tests/support/virtual_clock.h"

namespace {

struct Camera {
    const char* file;
    uint8_t setUp;
    bool sensor;
    uint8_t code;  // the FlashTypeCode its flash holds
};

// "complete-" seeds end in "Update complete!"; the replay holds them to it.
const Camera kCameras[] = {
    {"complete-node-hardware-id", answers::kListsOurId, true, 0x04},
    {"complete-driver-hardware-id", answers::kDriverPath | answers::kListsOurId, true, 0x04},
    {"complete-driver-block8", answers::kDriverPath, false, 0x04},
    {"current-node-sensor", 0, true, 0x06},
};

// The answers of one whole update, and the verdict the window showed.
std::vector<uint8_t> Record(const Camera& c, std::string* status) {
    simcam::SimCamera sim;
    sim.SetFlashPart(simcam::FlashPart::Type4);
    sim.SetSensorFitted(c.sensor);
    std::unique_ptr<uint8_t[]> image;
    int32_t size = 0;
    LoadFirmwareImage(kImageV0309, &image, &size);
    sim.Flash().assign(image.get(), image.get() + size);
    sim.Flash()[kFlashTypeCodeOffset] = c.code;

    std::vector<uint8_t> answers = {c.setUp};
    VirtualClock clock;
    ScopedClock scoped(&clock);
    ListedSource source;
    ListCamera(
        source, c.setUp, [&] { return new seed::RecordingNode(sim.NewKsControl(), answers); },
        [&] { return new seed::RecordingDriver(sim.NewDriverXu(), answers); });
    *status = RunWindow(source, nullptr).status;
    return answers;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    int bad = 0;
    for (const Camera& c : kCameras) {
        std::string status;
        const std::vector<uint8_t> answers = Record(c, &status);
        const AnswerRun replay = RunAnswers(answers.data(), answers.size());
        const bool same = replay.status == status && BrokenPromise(replay).empty();
        bad += !same;
        const std::string path = std::string(argv[1]) + "/" + c.file;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(answers.data()), std::streamsize(answers.size()));
        std::printf("%s: %zu bytes, %s%s\n", path.c_str(), answers.size(),
                    same ? "replays alike: " : "REPLAYS OTHERWISE: ", replay.status.c_str());
    }
    return bad ? 1 : 0;
}
