#include "console/camera_list.h"

#include "console/screen.h"
#include "discovery/camera_choice.h"
#include "platform/hex_text.h"
#include "platform/printable.h"
#include "update/camera_json.h"
#include "update/camera_survey.h"
#include "update/check_words.h"
#include "update/json_document.h"

namespace {

// "1 camera of this family attached", "2 cameras of this family attached".
std::string Attached(size_t count) {
    return std::to_string(count) + (count == 1 ? " camera" : " cameras") + " of this family attached";
}

// "2  /dev/video2  Tarvex USB Camera": what came from the camera or the
// system made printable.
std::string Row(int number, const CameraIdentity& c) {
    return std::to_string(number) + "  " + Printable(c.path) + "  " + CameraNameWords(c);
}

}  // namespace

std::string DeviceNamesNothing(const std::string& device, CameraSource* all) {
    const size_t attached = FamilyCameras(all).size();
    return "--device " + device + " names no camera: " +
           (attached ? Attached(attached) + "; see --list." : std::string("none of this family is attached."));
}

void ListCameras(const Options& options, CameraSource* all, FILE* out, Report* report, std::string* log) {
    JsonDocument cameras = JsonDocument::array();
    const std::vector<SurveyedCamera> found = CheckEachCamera(all, log);
    for (const SurveyedCamera& surveyed : found) {
        const CameraIdentity& camera = surveyed.camera.camera;
        if (!options.json)
            Say(out, Row(surveyed.camera.number, camera) + "  chip " + HexText(unsigned(camera.chipId), 2) + "  " +
                         CheckVerdictWords(surveyed.verdict), 3);
        JsonDocument entry = {{"number", surveyed.camera.number}};
        entry.update(IdentityJson(camera));
        entry["ours"] = IsOurs(surveyed.verdict);
        entry["decision"] = CheckVerdictName(surveyed.verdict);
        cameras.push_back(entry);
    }
    report->Ends(found.empty() ? Outcome::NoCamera : Outcome::Listed,
                 found.empty() ? "No camera of this family is attached." : Attached(found.size()) + ".");
    if (options.json)
        PrintDocument(kProgramName, {{"cameras", cameras}}, *report);
    else if (found.empty())
        Say(out, report->message);
}

void NameOtherCameras(const std::vector<AttachedCamera>& found, FILE* out, Report* report) {
    if (found.size() < 2) return;
    for (size_t i = 1; i < found.size(); ++i) report->otherCameras.push_back(Row(found[i].number, found[i].camera));
    if (!out) return;
    Say(out, Attached(found.size()) + "; this run takes number " + std::to_string(found[0].number) + ", " +
                 Printable(found[0].camera.path) + ".");
    Say(out, std::string("The other") + (found.size() > 2 ? "s" : "") + ":");
    for (const std::string& other : report->otherCameras) Say(out, "  " + other, 5);
    Say(out, "To update another, name it: --device NUMBER (see --list).");
}
