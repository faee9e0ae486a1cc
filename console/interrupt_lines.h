// What korvane-update says when an interrupt meets the download.
#pragma once

#include "platform/interrupts.h"

// The handlers' lines, wrapped once for standard error's width.
const InterruptLines& HandlerLines();
// The interrupts held off since the last call, each said on a line of its
// own; on the main thread, as often as it draws the bar.
void SayHeldOffInterrupts();
