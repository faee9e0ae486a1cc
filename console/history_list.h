// --history: the updates this computer made, oldest first, one line each
// (or one JSON document), from the history the update engine keeps in the
// state folder. It touches no camera and takes no lock.
#pragma once

#include <cstdio>

#include "console/options.h"

// Prints the history of `folder` on `out` (the JSON document on standard
// output). 0 when it could be read, else 1 with the reason on standard
// error.
int ListHistory(const Options& options, const std::string& folder, FILE* out);
