// The window's words for how a run ended (update/run_ends.h's, laid out
// for the status line) and for the write in progress.
#pragma once

#include <cstdint>
#include <string>

#include "update/update_run.h"

// The run's words, then the command to copy and the record's problem, each
// on a line of its own.
std::string VerdictWords(const RunVerdict& verdict, const CheckReport& found);

// "12.0 of 64.0 KiB, about 20 s left" (the time left once a rate is known).
std::string ProgressWords(uint32_t done, uint32_t total, uint64_t elapsedMs);
