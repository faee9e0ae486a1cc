// The computer's mains-power state as the update window reads it: whether
// it could be learnt, and the AC line status (1 online, 0 offline, 255
// unknown). The engine's power rule decides on it.
#pragma once

#include <cstdint>

struct PowerState {
    bool known = false;
    uint8_t acLineStatus = 255;
};

PowerState ReadPowerState();
