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

constexpr int kCommandSlots = 12;

struct FlashTypeRow {
    FlashIdAnswer ids[2];
    // Download engine slots 1..12: read, fast read, read status, write
    // enable, write disable, sector erase, block erase, chip erase, page
    // program, auto-increment program, enable write to status, write status.
    // 0xFF: the part has no such command.
    uint8_t commandSlots[kCommandSlots];
    uint8_t modeByte;  // 1 where the engine streams with the auto-increment program
    uint8_t code;      // the FlashTypeCode a download writes at 0xC006
    bool codeChecked;  // the update check compares this part's stored code
};

constexpr uint8_t kNo = 0xFF;

// Parts 5 and 6 have no engine table of their own and use part 0's.
inline constexpr FlashTypeRow kFlashTypes[kFlashTypeCount] = {
    /* 0 */ {{{0x90, 0xC2, 0x05, 0xC2, false}, {}},
             {0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, kNo, kNo, 0x01}, 0, 0x00, false},
    /* 1 */ {{{0x90, 0xBF, 0x48, 0xBF, false}, {}},
             {0x03, kNo, 0x05, 0x06, 0x04, 0x20, 0x52, 0x60, 0x02, 0xAF, 0x50, 0x01}, 1, 0x01, false},
    /* 2 */ {{{0x90, 0x9D, 0x05, 0x7F, false}, {0xAB, 0x9D, 0x7B, 0x7F, false}},
             {0x03, 0x0B, 0x05, 0x06, 0x04, 0xD7, 0xD8, 0xC7, 0x02, kNo, kNo, 0x01}, 0, 0x04, true},
    /* 3 */ {{{0x90, 0x1C, 0x05, 0x1C, false}, {}},
             {0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, kNo, kNo, 0x01}, 0, 0x05, false},
    /* 4 */ {{{0x90, 0x42, 0x05, 0xC2, false}, {}},
             {0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, kNo, kNo, 0x01}, 0, 0x06, true},
    /* 5 */ {{{0x9F, 0x1F, 0x65, 0x00, false}, {}},
             {0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, kNo, kNo, 0x01}, 0, 0x03, false},
    /* 6 */ {{{0x9F, 0xC2, 0x22, 0x00, true}, {}},
             {0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, kNo, kNo, 0x01}, 0, 0x07, false},
};

// The row for a FlashType as the engine and the image patch take it: only
// its low 8 bits count, and a value past the table is part 0.
inline const FlashTypeRow& FlashTypeRowFor(int32_t flashType) {
    const uint8_t type = uint8_t(flashType);
    return kFlashTypes[type < kFlashTypeCount ? type : 0];
}
