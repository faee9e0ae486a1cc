#include "firmware/command_tables.h"

#include "chip/flash_type_table.h"
#include "link/xu_channel.h"
#include "link/xu_selectors.h"

HRESULT LoadCommandTable(int32_t flashType, bool* tableSent) {
    const FlashTypeRow& row = FlashTypeRowFor(flashType);
    bool sent = true;
    for (int slot = 1; slot <= kCommandSlots; ++slot) {
        const BYTE index = BYTE(slot);
        const BYTE opcode = row.commands.*kSlotOrder[slot - 1];
        sent &= pExt->put_Property(XU_CMD_SLOT_CONTROL, 1, &index) >= 0;
        sent &= pExt->put_Property(XU_CMD_VALUE_CONTROL, 1, &opcode) >= 0;
    }
    sent &= pExt->put_Property(XU_FLASH_MODE_CONTROL, 1, &row.modeByte) >= 0;
    if (tableSent) *tableSent = sent;
    ULONG discarded = 0;
    return pExt->get_PropertySize(XU_FLASH_DATA_CONTROL, &discarded);
}
