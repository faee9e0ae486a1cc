// korvane-update --report: the program's name and version, then what
// discovery gathers for someone supporting a camera (discovery/support_facts.h),
// on standard output as text or, with --json, as JSON.
#pragma once

#include "console/options.h"

// False when the report could not be printed.
bool PrintSupportReport(const Options& options);
