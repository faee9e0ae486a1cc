#include "firmware/command_tables.h"

#include "link/xu_channel.h"
#include "link/xu_selectors.h"

namespace {

constexpr int kTableTypes = 5;

// One row per slot, one column per FlashType; 0xFF: the flash has no such
// command. The mode byte is 1 only where the auto-increment program exists.
constexpr uint32_t kCommandSlotTables[kCommandSlots + 1][kTableTypes] = {
    //                                     FT0   FT1   FT2   FT3   FT4
    /*  1 read data                  */ {0x03, 0x03, 0x03, 0x03, 0x03},
    /*  2 fast read                  */ {0x0B, 0xFF, 0x0B, 0x0B, 0x0B},
    /*  3 read status register       */ {0x05, 0x05, 0x05, 0x05, 0x05},
    /*  4 write enable               */ {0x06, 0x06, 0x06, 0x06, 0x06},
    /*  5 write disable              */ {0x04, 0x04, 0x04, 0x04, 0x04},
    /*  6 sector erase               */ {0x20, 0x20, 0xD7, 0x20, 0x20},
    /*  7 block erase                */ {0xD8, 0x52, 0xD8, 0xD8, 0xD8},
    /*  8 chip erase                 */ {0xC7, 0x60, 0xC7, 0xC7, 0xC7},
    /*  9 page program               */ {0x02, 0x02, 0x02, 0x02, 0x02},
    /* 10 auto-increment program     */ {0xFF, 0xAF, 0xFF, 0xFF, 0xFF},
    /* 11 enable write to status reg */ {0xFF, 0x50, 0xFF, 0xFF, 0xFF},
    /* 12 write status register      */ {0x01, 0x01, 0x01, 0x01, 0x01},
    /*    mode byte                  */ {0x00, 0x01, 0x00, 0x00, 0x00},
};

// The same tables, one per FlashType, in the order they are sent.
struct Columns {
    uint32_t table[kTableTypes][kCommandSlots + 1];
    constexpr Columns() : table() {
        for (int type = 0; type < kTableTypes; ++type)
            for (int row = 0; row <= kCommandSlots; ++row)
                table[type][row] = kCommandSlotTables[row][type];
    }
};
constexpr Columns kByType;

}  // namespace

const uint32_t* CommandSlotTableFor(int32_t flashType) {
    const uint8_t type = uint8_t(flashType);
    return kByType.table[type < kTableTypes ? type : 0];
}

HRESULT LoadCommandTable(int32_t flashType, bool* tableSent) {
    const uint32_t* table = CommandSlotTableFor(flashType);
    bool sent = true;
    for (int slot = 1; slot <= kCommandSlots; ++slot) {
        const BYTE index = BYTE(slot);
        const BYTE opcode = BYTE(table[slot - 1]);
        sent &= pExt->put_Property(XU_CMD_SLOT_CONTROL, 1, &index) >= 0;
        sent &= pExt->put_Property(XU_CMD_VALUE_CONTROL, 1, &opcode) >= 0;
    }
    const BYTE mode = BYTE(table[kCommandSlots]);
    sent &= pExt->put_Property(XU_FLASH_MODE_CONTROL, 1, &mode) >= 0;
    if (tableSent) *tableSent = sent;
    ULONG discarded = 0;
    return pExt->get_PropertySize(XU_FLASH_DATA_CONTROL, &discarded);
}
