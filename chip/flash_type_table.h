// Everything this program knows of each serial flash it can update, one
// row per FlashType: how the part answers identification, the opcodes the
// download engine must use for it, and the FlashTypeCode its firmware
// reads at 0xC006 to know which flash it boots from.
#pragma once

#include <cstdint>

#include "chip/flash_types.h"

// One identification answer: the command asked and the three bytes it
// answers. opcode 0 marks an unused answer; anyThird, a third byte that is
// the part's size or revision and is not compared.
struct FlashIdAnswer {
    uint8_t opcode;
    uint8_t b0, b1, b2;
    bool anyThird;
};

// The download engine's command slots 1..12, as a datasheet names the
// commands; 0xFF (kNo): the part has no such command.
struct CommandSlots {
    uint8_t read, fastRead, readStatus, writeEnable, writeDisable, sectorErase, blockErase, chipErase,
        pageProgram, autoIncrementProgram, enableWriteStatus, writeStatus;
};

// The slots in the engine's order: slot n is kSlotOrder[n - 1].
inline constexpr uint8_t CommandSlots::*kSlotOrder[] = {
    &CommandSlots::read,        &CommandSlots::fastRead,    &CommandSlots::readStatus,
    &CommandSlots::writeEnable, &CommandSlots::writeDisable, &CommandSlots::sectorErase,
    &CommandSlots::blockErase,  &CommandSlots::chipErase,   &CommandSlots::pageProgram,
    &CommandSlots::autoIncrementProgram, &CommandSlots::enableWriteStatus, &CommandSlots::writeStatus,
};
constexpr int kCommandSlots = int(sizeof kSlotOrder / sizeof kSlotOrder[0]);

struct FlashTypeRow {
    const char* part;     // for people: the maker and device bytes it answers
    FlashIdAnswer ids[2];
    CommandSlots commands;
    uint8_t modeByte;  // 1 where the engine streams with the auto-increment program
    uint8_t code;      // the FlashTypeCode a download writes at 0xC006
    bool codeChecked;  // the update check compares this part's stored code
    // What one page program (0x02) reaches: the page it wraps inside, or 1
    // for the part that programs only the first byte it is sent.
    uint16_t programPage;
};

constexpr uint8_t kNo = 0xFF;

// Parts 5 and 6 have no engine table of their own and use part 0's.
inline constexpr FlashTypeRow kFlashTypes[] = {
    /* 0 */ {"C2 05", {{0x90, 0xC2, 0x05, 0xC2, false}, {}},
             {0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, kNo, kNo, 0x01}, 0, 0x00, false, 256},
    /* 1 */ {"BF 48", {{0x90, 0xBF, 0x48, 0xBF, false}, {}},
             {0x03, kNo, 0x05, 0x06, 0x04, 0x20, 0x52, 0x60, 0x02, 0xAF, 0x50, 0x01}, 1, 0x01, false, 1},
    /* 2 */ {"9D 05 / 9D 7B", {{0x90, 0x9D, 0x05, 0x7F, false}, {0xAB, 0x9D, 0x7B, 0x7F, false}},
             {0x03, 0x0B, 0x05, 0x06, 0x04, 0xD7, 0xD8, 0xC7, 0x02, kNo, kNo, 0x01}, 0, 0x04, true, 256},
    /* 3 */ {"1C 05", {{0x90, 0x1C, 0x05, 0x1C, false}, {}},
             {0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, kNo, kNo, 0x01}, 0, 0x05, false, 256},
    /* 4 */ {"42 05", {{0x90, 0x42, 0x05, 0xC2, false}, {}},
             {0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, kNo, kNo, 0x01}, 0, 0x06, true, 256},
    /* 5 */ {"1F 65", {{0x9F, 0x1F, 0x65, 0x00, false}, {}},
             {0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, kNo, kNo, 0x01}, 0, 0x03, false, 256},
    /* 6 */ {"C2 22", {{0x9F, 0xC2, 0x22, 0x00, true}, {}},
             {0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, kNo, kNo, 0x01}, 0, 0x07, false, 32},
};
constexpr int32_t kFlashTypeCount = int32_t(sizeof kFlashTypes / sizeof kFlashTypes[0]);

// The row for a FlashType as the engine and the image patch take it: only
// its low 8 bits count, and a value past the table is part 0.
inline const FlashTypeRow& FlashTypeRowFor(int32_t flashType) {
    const uint8_t type = uint8_t(flashType);
    return kFlashTypes[type < kFlashTypeCount ? type : 0];
}
