// What a person can do about a failed download, from its cause (or about
// a "current" that rests on the code alone): the
// failure's advice with the program's words for running it again, and on
// a camera that may autosuspend, the command that keeps it awake.
#include <cctype>

#include "discovery/system_camera.h"
#include "update/update_run.h"

namespace {

// The file that keeps a USB device awake: the camera's own where its place
// on the bus is known, else where the user puts it.
std::string PowerControlFile(const std::string& busPlace) {
    const size_t slash = busPlace.rfind('/');
    const std::string device = slash == std::string::npos || slash + 1 == busPlace.size()
                                   ? "<bus place>"
                                   : busPlace.substr(slash + 1);
    return "/sys/bus/usb/devices/" + device + "/power/control";
}

}  // namespace

void CUpdateRun::Advise() {
    verdict_.advice.clear();
    verdict_.keepAwakeCommand.clear();
    // "Current" from the code alone: a download cut after it would not show.
    if (verdict_.end == RunEnd::Current && found_.compareSkipped)
        verdict_.advice = "Its whole flash was not compared: through this driver that would take too many "
                          "requests, so only its FlashTypeCode says it is current.";
    // Nothing attached that the walk could use, and nothing noted why.
    if (verdict_.end == RunEnd::NoCamera && !verdict_.noted && !policy_.again.empty())
        verdict_.advice = "Plug the camera in, then " + policy_.again + ".";
    if (verdict_.end != RunEnd::Failed) return;
    const FailureRow& row = FailureOf(verdict_.failure);
    // No advice in particular: the program's words for running it again.
    verdict_.advice = (row.advice ? row.advice : "keep the camera plugged in and ") + policy_.again + ".";
    verdict_.advice[0] = char(std::toupper(static_cast<unsigned char>(verdict_.advice[0])));
    // A camera that may suspend explains a camera gone or a request
    // refused, not a checksum.
    const bool maySuspend = verdict_.failure == Failure::CameraGone || verdict_.failure == Failure::RequestFailed;
    if (!maySuspend || !camera || !camera->MaySuspend()) return;
    if (!verdict_.advice.empty()) verdict_.advice += " ";
    verdict_.advice += "USB autosuspend is on for this camera (power/control = auto) and this kernel may let it "
                       "suspend while in use; if it fails again, keep it awake for the run:";
    verdict_.keepAwakeCommand = "echo on | sudo tee " + PowerControlFile(found_.camera.busPlace);
}
