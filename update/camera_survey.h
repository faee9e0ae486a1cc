// Every camera of the family a source offers, each checked as an update
// would check it, through a source offering it alone: nothing process-wide
// is swapped, and no flash is written.
#pragma once

#include <string>
#include <vector>

#include "discovery/camera_choice.h"
#include "discovery/camera_source.h"
#include "update/check_report.h"

struct SurveyedCamera {
    AttachedCamera camera;
    CheckVerdict verdict = CheckVerdict::NoCamera;
};

// In the walk's order; each check's transfer log is added to `log`, its
// last line ended.
std::vector<SurveyedCamera> CheckEachCamera(CameraSource* all, std::string* log);
