// The serial flash parts the camera may carry: one row per part with its
// identification answers, page size and quirks, and the command-slot
// tables (the opcodes each part understands, as the host loads them).
#pragma once

#include <array>
#include <cstdint>

namespace simcam {

enum class FlashPart { Type0, Type1, Type2a, Type2b, Type3, Type4, Type5, Type6, Blank00, BlankFF, Unknown };

// Slots 1..12 at indices 0..11, then the mode byte.
using OpcodeTable = std::array<uint8_t, 13>;

enum SlotIndex {
    kSlotRead,
    kSlotFastRead,
    kSlotReadStatus,
    kSlotWriteEnable,
    kSlotWriteDisable,
    kSlotSectorErase,
    kSlotBlockErase,
    kSlotChipErase,
    kSlotPageProgram,
    kSlotAutoProgram,
    kSlotEnableWriteStatus,
    kSlotWriteStatus,
    kSlotMode,
};

// In a table, an opcode the part does not have.
constexpr uint8_t kNoOpcode = 0xFF;

constexpr uint8_t kOpId90 = 0x90;  // opcode, three address bytes, answer
constexpr uint8_t kOpIdAB = 0xAB;  // opcode, three dummy bytes, answer
constexpr uint8_t kOpId9F = 0x9F;  // opcode, answer at once

struct PartRow {
    FlashPart part;
    uint8_t answer90[3];
    uint8_t answerAB[3];
    uint8_t answer9F[3];
    uint32_t pageSize;
    bool oneBytePageProgram;  // page program takes its first data byte only
    bool stuckLine;           // a blank part: the data line never moves
    uint8_t stuckLevel;
    const OpcodeTable* opcodes;
};

const PartRow& PartOf(FlashPart part);
const OpcodeTable& OpcodeTableOf(FlashPart part);

}  // namespace simcam
