// --list: every camera of the family attached, one line each (or one JSON
// document): its number for --device, its path, name and chip ID, and
// whether it is ours as the update check decides it. The flash is only read.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "console/options.h"
#include "update/run_report.h"
#include "discovery/camera_choice.h"
#include "discovery/camera_source.h"

// Fills report with the run's verdict (for the log): listed when a camera
// of the family is attached, no-camera otherwise. The transfer log of the
// checks is added to `log`.
void ListCameras(const Options& options, CameraSource* all, FILE* out, Report* report,
                std::string* log);

// Why --device is refused when it names no camera of the family: what is
// attached, for the usage error.
std::string DeviceNamesNothing(const std::string& device, CameraSource* all);

// Several cameras of the family attached and none chosen: says on `out`
// (when not null) that the run takes the first, and names the others,
// which the report keeps too.
void NameOtherCameras(const std::vector<AttachedCamera>& found, FILE* out, Report* report);
