// The download engine's command-slot tables: which serial-flash opcodes the
// fitted flash understands, by FlashType.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

constexpr int kCommandSlots = 12;

// Slot opcodes 1..12 then the mode byte, for a FlashType. Only the low
// 8 bits of flashType count; types above 4 share the table of type 0.
const uint32_t* CommandSlotTableFor(int32_t flashType);

// Sends the table to the engine through pExt: each slot's index and opcode,
// the mode byte, then a size query of the flash data control, whose result
// is returned. Failed requests do not stop it; *tableSent, when given, says
// whether every slot and the mode byte went through.
HRESULT LoadCommandTable(int32_t flashType, bool* tableSent = nullptr);
