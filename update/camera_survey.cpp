#include "update/camera_survey.h"

#include "update/log_lines.h"
#include "update/update_engine.h"

std::vector<SurveyedCamera> CheckEachCamera(CameraSource* all, std::string* log) {
    std::vector<SurveyedCamera> surveyed;
    for (const AttachedCamera& camera : FamilyCameras(all)) {
        ChosenCameraSource one(all, {camera.number, ""});
        CUpdateEngine engine;
        // Each camera's lines its own: a line its check left open is ended
        // there, so that the next camera's does not run on from it.
        const CheckReport report = engine.Check(*log, &one);
        EndOpenLine(*log);
        // As a close after the check: the pulse where no update was decided.
        engine.LetGo();
        surveyed.push_back({camera, report.verdict});
    }
    return surveyed;
}
