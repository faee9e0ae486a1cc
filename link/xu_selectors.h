// The extension unit's controls, by selector number. Multi-byte values in
// their data are little-endian. Selectors 1, 6 and 13 are not used.
#pragma once

#include <cstdint>

constexpr uint32_t XU_REG_ADDRESS_CONTROL = 2;     // write, 2: address of an 8-bit register
constexpr uint32_t XU_REG_DATA_CONTROL = 3;        // write/read, 1: that register's value
constexpr uint32_t XU_WREG_ADDRESS_CONTROL = 4;    // write, 2: address in the 16-bit space
constexpr uint32_t XU_WREG_DATA_CONTROL = 5;       // write/read, 2: that 16-bit value
constexpr uint32_t XU_CMD_SLOT_CONTROL = 7;        // write, 1: command slot 1..12
constexpr uint32_t XU_CMD_VALUE_CONTROL = 8;       // write, 1: SPI opcode for that slot
constexpr uint32_t XU_DFU_ENABLE_CONTROL = 9;      // write, 1: download enable, 0 disables
constexpr uint32_t XU_DFU_ACCESS_CONTROL = 10;     // write, length queried: one data packet
constexpr uint32_t XU_DFU_CHECKSUM = 11;           // read, 1: XOR of the data received
constexpr uint32_t DL_FINISH_PROCESS = 12;         // write, 1: value 1 commits the download
constexpr uint32_t XU_FLASH_ADDRESS_CONTROL = 14;  // write, 4: flash read address
constexpr uint32_t XU_FLASH_DATA_CONTROL = 15;     // read, length queried: flash bytes
constexpr uint32_t XU_FLASH_MODE_CONTROL = 16;     // write, 1: the command table's mode byte

// Every selector the program uses: the unit's bmControls must hold them all.
constexpr uint32_t kUsedSelectors[] = {
    XU_REG_ADDRESS_CONTROL, XU_REG_DATA_CONTROL, XU_WREG_ADDRESS_CONTROL, XU_WREG_DATA_CONTROL,
    XU_CMD_SLOT_CONTROL,    XU_CMD_VALUE_CONTROL, XU_DFU_ENABLE_CONTROL,  XU_DFU_ACCESS_CONTROL,
    XU_DFU_CHECKSUM,        DL_FINISH_PROCESS,   XU_FLASH_ADDRESS_CONTROL, XU_FLASH_DATA_CONTROL,
    XU_FLASH_MODE_CONTROL,
};
