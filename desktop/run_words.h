// The window's words for the run that are its own: what the heading leaves
// to say at a verdict, and the write's progress.
#pragma once

#include <cstdint>
#include <string>

#include "update/update_run.h"

// The verdict's detail under its heading (RunEndDetail), with the record
// that could not be kept; the command to copy is shown apart.
std::string VerdictDetail(const RunVerdict& verdict, const CheckReport& found);

// "29.2 of 64.0 KiB, about 12 s left": the bytes written and, once a rate
// can be read, the time left.
std::string ProgressWords(uint32_t done, uint32_t total, uint64_t elapsedMs);
