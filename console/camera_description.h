// The camera as people read it before a question or a verdict: its name,
// place, chip, flash, the firmware it holds and what is due.
#pragma once

#include <cstdio>

#include "update/check_report.h"

// Says nothing when no camera was opened: the closing line says so.
void DescribeCamera(FILE* out, const CheckReport& found);
