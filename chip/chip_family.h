// The camera processor's family, from the high nibble of its chip identity:
// the flash select level follows it.
#pragma once

#include <cstdint>

typedef int32_t ChipFamily;

constexpr ChipFamily kChipFamilyUnknown = 3;

inline ChipFamily ChipFamilyOf(uint8_t chipId) {
    switch (chipId & 0xF0) {
    case 0x60: return 0;
    case 0x90: return 1;
    case 0x80: return 2;
    default: return kChipFamilyUnknown;
    }
}
