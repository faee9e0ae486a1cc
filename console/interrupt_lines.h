// What korvane-update says when an interrupt meets the download.
#pragma once

#include "platform/interrupts.h"

constexpr InterruptLines kInterruptLines = {
    "korvane-update: not stopping now: the camera's flash is being written and would be left "
    "unusable; the update runs to its verdict.\n",
    // The system, not this program, decides that the download is cut.
    "korvane-update: Windows is ending this program (console closed, log-off or shut-down) while "
    "the camera's flash is being written; the download may be cut. If it is, keep the camera "
    "plugged in and run korvane-update again.\n",
};
