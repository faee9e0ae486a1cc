// What a check found, as every JSON document that carries a check names
// it (docs/json.md): camera (the identity of camera_json, then its flash),
// decision, reason, firmware and image.
#pragma once

#include <nlohmann/json.hpp>

#include "update/check_report.h"

// `found` null: no check ran, and every field is null. firmware: the
// release the camera holds (id and version null for another release);
// image: the one to write (id, version and size null until the board has
// chosen it).
nlohmann::ordered_json CheckJson(const CheckReport* found);
