// The process's simulated cameras, one per scenario file. The program binds
// a capture device once for its check and again for its download; both
// binds must reach the same camera and flash, so a camera, once made, lives
// as long as the process.
#pragma once

#include <string>

#include "e2e/server/scenario_camera.h"

namespace e2e {

// The camera of the scenario at `path`, made on first use. Null, with the
// reason on stderr, when the scenario cannot be used.
ScenarioCamera* CameraForScenario(const std::string& path);

// Every camera made so far writes its outputs.
void SaveAllOutputs();

}  // namespace e2e
