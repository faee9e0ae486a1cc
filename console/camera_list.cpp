#include "console/camera_list.h"

#include <nlohmann/json.hpp>

#include "console/exit_codes.h"
#include "console/report.h"
#include "discovery/camera_choice.h"
#include "update/camera_survey.h"

#include "console/json_document.h"
#include "console/outcomes.h"

namespace {

const char* Verdict(CheckVerdict verdict) {
    switch (verdict) {
    case CheckVerdict::NoCamera: return "could not be opened";
    case CheckVerdict::NotOurs: return "not ours";
    case CheckVerdict::Current: return "ours, current";
    case CheckVerdict::Update: return "ours, update due";
    case CheckVerdict::Failed: return "ours, the check failed";
    }
    return "";
}

// "1 camera of this family attached", "2 cameras of this family attached".
std::string Attached(size_t count) {
    return std::to_string(count) + (count == 1 ? " camera" : " cameras") + " of this family attached";
}

}  // namespace

std::string DeviceNamesNothing(const std::string& device, CameraSource* all) {
    const size_t attached = FamilyCameras(all).size();
    return "--device " + device + " names no camera: " +
           (attached ? Attached(attached) + "; see --list." : std::string("none of this family is attached."));
}

int ListCameras(const Options& options, CameraSource* all, FILE* out, Report* report,
                std::string* log) {
    nlohmann::json cameras = nlohmann::json::array();
    const std::vector<SurveyedCamera> found = CheckEachCamera(all, log);
    for (const SurveyedCamera& surveyed : found) {
        const AttachedCamera& camera = surveyed.camera;
        const CheckVerdict verdict = surveyed.verdict;
        const bool ours = verdict != CheckVerdict::NotOurs && verdict != CheckVerdict::NoCamera;
        char chip[8];
        std::snprintf(chip, sizeof chip, "0x%02X", unsigned(camera.chipId));
        if (!options.json)
            std::fprintf(out, "%d  %s  %s  chip %s  %s\n", camera.number, camera.path.c_str(),
                         camera.name.empty() ? "(no name)" : camera.name.c_str(), chip,
                         Verdict(verdict));
        cameras.push_back({{"number", camera.number}, {"path", camera.path},
                           {"name", camera.name}, {"chip_id", chip}, {"ours", ours},
                           {"decision", DecisionName(verdict)}});
    }
    const OutcomeRow& ended = OutcomeOf(found.empty() ? Outcome::NoCamera : Outcome::Listed);
    report->exitCode = ended.code;
    report->result = ended.result;
    report->message = found.empty() ? "No camera of this family is attached." : Attached(found.size()) + ".";
    if (options.json) {
        std::fputs(DocumentText({{"cameras", cameras}}, report->result, report->exitCode, report->message).c_str(),
                   stdout);
    } else if (found.empty()) {
        std::fprintf(out, "%s\n", report->message.c_str());
    }
    std::fflush(stdout);
    return report->exitCode;
}

void NameOtherCameras(CameraSource* all, FILE* out, Report* report) {
    const std::vector<AttachedCamera> found = FamilyCameras(all);
    if (found.size() < 2) return;
    for (size_t i = 1; i < found.size(); ++i)
        report->otherCameras.push_back(std::to_string(found[i].number) + "  " + found[i].path +
                                       "  " + found[i].name);
    if (!out) return;
    std::fprintf(out, "%s; this run takes number %d, %s.\n", Attached(found.size()).c_str(), found[0].number,
                 found[0].path.c_str());
    std::fprintf(out, "The other%s:\n", found.size() > 2 ? "s" : "");
    for (const std::string& other : report->otherCameras) std::fprintf(out, "  %s\n", other.c_str());
    std::fprintf(out, "To update another, name it: --device NUMBER (see --list).\n");
    std::fflush(out);
}
