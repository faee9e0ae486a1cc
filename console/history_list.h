// --history: the updates this computer made, oldest first, one line each
// (or one JSON document), from the history the update engine keeps in the
// state folder. It touches no camera and takes no lock.
#pragma once

#include <cstdio>

#include "console/options.h"
#include "update/run_ends.h"

// Prints the history of `folder` on `out` (the JSON document on standard
// output). Listed when it could be read, else Failed with the reason on
// standard error.
Outcome ListHistory(const Options& options, const std::string& folder, FILE* out);
