// korvane-update --report: the program's name and version, then what
// discovery gathers for someone supporting a camera (discovery/support_facts.h).
// One document, printed as text or, with --json, as JSON.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

#include "console/options.h"

using SupportReport = nlohmann::ordered_json;

// The document as indented "key: value" lines.
std::string SupportReportText(const SupportReport& report);

// Gathers and prints the report on standard output; false when it could
// not be printed.
bool PrintSupportReport(const Options& options);
