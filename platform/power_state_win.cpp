#include <windows.h>

#include "platform/power_state.h"

PowerState ReadPowerState() {
    SYSTEM_POWER_STATUS status;
    PowerState state;
    state.known = GetSystemPowerStatus(&status) != 0;
    if (state.known) state.acLineStatus = status.ACLineStatus;
    return state;
}
