// The camera's identity as every JSON document and file of the programs
// names it: the check, --list, the history and its records alike.
#pragma once

#include <nlohmann/json.hpp>

#include "platform/camera_identity.h"

// name and path (strings); chip_id ("0x65"), vendor and product ("4271",
// "03D5"), serial and bus_place (strings), each null when unknown.
nlohmann::ordered_json IdentityJson(const CameraIdentity& camera);
