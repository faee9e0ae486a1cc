// Sending the download engine the serial-flash opcodes of the fitted part.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

// Sends the FlashType's table (only its low 8 bits count; a type past the
// table gets part 0's) through pExt: each slot's index and opcode, the mode
// byte, then a size query of the flash data control, whose result is
// returned. Failed requests do not stop it; *tableSent, when given, says
// whether every slot and the mode byte went through.
HRESULT LoadCommandTable(int32_t flashType, bool* tableSent = nullptr);
