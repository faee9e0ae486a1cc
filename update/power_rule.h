// Whether the computer's power lets an update start: only mains power known
// to be on, since a machine that dies mid-download leaves a camera that no
// longer starts.
#pragma once

#include <cstdint>

// acLineStatus as the system reports it: 0 off, 1 on, 255 unknown.
inline bool MainsPowerOn(bool known, uint8_t acLineStatus) { return known && acLineStatus == 1; }
