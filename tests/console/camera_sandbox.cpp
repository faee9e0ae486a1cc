// By hand: a command run against one simulated camera in the umockdev
// sandbox, on the caller's own terminal; afterwards, what the camera's
// flash holds. Run it under umockdev-wrapper:
//   umockdev-wrapper build/native/tests/console/camera_sandbox build/native/console/korvane-update
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "firmware/firmware_image.h"
#include "firmware/flash_layout.h"
#include "simcam/sim_camera.h"
#include "tests/support/firmware_bytes.h"
#include "tests/support/uvc_testbed.h"

int main(int argc, char** argv) {
    if (argc < 2 || !UvcTestbed::Available()) {
        std::fprintf(stderr, "usage: umockdev-wrapper %s COMMAND [ARG...]\n", argv[0]);
        return 2;
    }
    // A type 4 flash holding image 135 with a stale code, as in the tests.
    simcam::SimCamera sim;
    sim.SetFlashPart(simcam::FlashPart::Type4);
    sim.Flash() = ImageBytes(kImageV0309);
    sim.Flash()[kFlashTypeCodeOffset] = 0x04;
    UvcDriverModel model(sim, 4);
    int status = 0;
    {
        UvcTestbed bed;
        const std::string node = bed.AddCamera(UsbCamera(), &model);
        std::printf("simulated camera at %s\n", node.c_str());
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            execvp(argv[1], argv + 1);
            _exit(127);
        }
        // Ctrl-C at the terminal is the command's to handle; the sandbox
        // must outlive it.
        signal(SIGINT, SIG_IGN);
        signal(SIGTERM, SIG_IGN);
        waitpid(child, &status, 0);
    }
    const bool updated = sim.Flash() == PatchedImageBytes(kImageV0309, 4) && sim.Committed();
    std::printf("simulated flash: %s\n", updated ? "image 135 patched for type 4, committed"
                                                 : "not updated");
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
