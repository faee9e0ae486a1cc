// The window's words for how a run ended and for the write in progress.
// The run decides the verdict, its cause and the advice; these only put
// the window's sentences beside them.
#pragma once

#include <cstdint>
#include <string>

#include "update/update_run.h"

// The headline, the cause's words, the advice and what else the run said,
// each as a sentence of its own.
std::string VerdictWords(const RunVerdict& verdict);

// "12.0 of 64.0 KiB, about 20 s left" (the time left once a rate is known).
std::string ProgressWords(uint32_t done, uint32_t total, uint64_t elapsedMs);
