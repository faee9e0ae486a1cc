// By hand: a command run against simulated cameras in the umockdev sandbox,
// on the caller's own terminal; afterwards, what the first camera's flash
// holds. The sandbox's own lines go to standard error, so that the
// command's standard output is its own. Run it under umockdev-wrapper
// (scripts/sandbox builds it and does):
//   umockdev-wrapper build/native/tests/console/camera_sandbox [OPTIONS] COMMAND [ARG...]
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "firmware/firmware_image.h"
#include "firmware/flash_layout.h"
#include "simcam/sim_camera.h"
#include "tests/support/firmware_bytes.h"
#include "tests/support/uvc_testbed.h"

namespace {

constexpr char kUsage[] =
    "usage: umockdev-wrapper camera_sandbox [OPTIONS] COMMAND [ARG...]\n"
    "Runs COMMAND against a simulated Tarvex camera (a type 4 flash holding\n"
    "image 135 with a stale code: it needs the update) in a umockdev sandbox.\n"
    "  --current         its firmware is current instead\n"
    "  --download-fails  the download's checksum comes back wrong\n"
    "  --unplugged       it is unplugged in the middle of the download\n"
    "  --two-cameras     a second camera of ours, with current firmware\n"
    "  --another-makers-first  first another maker's camera of the family (its\n"
    "                    own USB IDs, blank flash, no sensor of ours), then ours\n"
    "  --battery         the computer runs on battery\n"
    "  --no-camera       no camera at all\n"
    "  --slow            each request takes 3 ms more (a write of a few seconds)\n"
    "  --help            this text\n";

constexpr uint8_t kStaleCode = 0x04;    // stale for a type 4 part
constexpr uint8_t kCurrentCode = 0x06;  // the code a type 4 part needs
// The query from which --unplugged unplugs: well inside the packets.
constexpr size_t kUnplugAt = 700;

struct Camera {
    explicit Camera(uint8_t code) {
        sim.SetFlashPart(simcam::FlashPart::Type4);
        sim.Flash() = ImageBytes(kImageV0309);
        sim.Flash()[kFlashTypeCodeOffset] = code;
    }
    simcam::SimCamera sim;
    UvcDriverModel model{sim, 4};
};

}  // namespace

int main(int argc, char** argv) {
    bool current = false, fails = false, unplugged = false, two = false, battery = false, none = false, slow = false,
         others = false;
    int at = 1;
    for (; at < argc && argv[at][0] == '-'; ++at) {
        const std::string option = argv[at];
        if (option == "--current") current = true;
        else if (option == "--download-fails") fails = true;
        else if (option == "--unplugged") unplugged = true;
        else if (option == "--two-cameras") two = true;
        else if (option == "--another-makers-first") others = two = true;
        else if (option == "--battery") battery = true;
        else if (option == "--no-camera") none = true;
        else if (option == "--slow") slow = true;
        else {
            std::fputs(kUsage, option == "--help" ? stdout : stderr);
            return option == "--help" ? 0 : 2;
        }
    }
    if (at >= argc || !UvcTestbed::Available()) {
        std::fputs(at >= argc ? kUsage : "camera_sandbox: run it under umockdev-wrapper\n", stderr);
        return 2;
    }
    Camera first(current ? kCurrentCode : kStaleCode);
    if (fails) first.sim.SetChecksumError(0x01);
    UsbCamera firstUsb;
    if (others) {
        first.sim.SetSensorFitted(false);
        first.sim.Flash().assign(first.sim.Flash().size(), 0xFF);
        firstUsb.ids.vendor = 0x1D6B;
        firstUsb.ids.product = 0x0C01;
        firstUsb.productName = "Other Webcam";
    }
    if (unplugged) first.model.UnplugFrom(kUnplugAt);
    // Long enough for a person, or a test, to act while the camera is written.
    constexpr useconds_t kSlowRequestUs = 3000;
    if (slow) first.sim.SetCallHook([] { usleep(kSlowRequestUs); });
    std::unique_ptr<Camera> second(two ? new Camera(kCurrentCode) : nullptr);
    int status = 0;
    {
        UvcTestbed bed;
        if (!none)
            std::fprintf(stderr, "camera_sandbox: simulated camera at %s\n",
                         bed.AddCamera(firstUsb, &first.model).c_str());
        if (second)
            std::fprintf(stderr, "camera_sandbox: second camera (current firmware) at %s\n",
                         bed.AddCamera(UsbCamera(), &second->model).c_str());
        if (battery) {
            bed.AddDevice("P: /devices/LNXSYSTM:00/LNXSYBUS:00/AC/power_supply/AC\n"
                          "E: SUBSYSTEM=power_supply\nA: type=Mains\nA: online=0\n");
            bed.AddDevice("P: /devices/LNXSYSTM:00/LNXSYBUS:00/BAT0/power_supply/BAT0\n"
                          "E: SUBSYSTEM=power_supply\nA: type=Battery\nA: scope=System\n");
            std::fputs("camera_sandbox: the computer runs on battery\n", stderr);
        }
        const pid_t child = fork();
        if (child == 0) {
            execvp(argv[at], argv + at);
            _exit(127);
        }
        // Ctrl-C at the terminal is the command's to handle; the sandbox
        // must outlive it.
        signal(SIGINT, SIG_IGN);
        signal(SIGTERM, SIG_IGN);
        waitpid(child, &status, 0);
    }
    const bool updated = first.sim.Flash() == PatchedImageBytes(kImageV0309, 4) && first.sim.Committed();
    if (others)
        std::fprintf(stderr, "camera_sandbox: %u packets reached the other maker's camera\n",
                     unsigned(first.sim.PacketsReceived()));
    std::fprintf(stderr, "camera_sandbox: simulated flash: %s\n",
                 updated ? "image 135 patched for type 4, committed"
                 : first.sim.Committed() ? "committed" : "not updated");
    std::fprintf(stderr, "camera_sandbox: %zu requests reached the camera\n", first.sim.Requests().size());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
