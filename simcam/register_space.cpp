#include "simcam/register_space.h"

namespace simcam {

RegisterSpace::RegisterSpace() : bytes_(0x10000, 0), words_(0x10000, 0) {}

uint8_t RegisterSpace::Read(uint16_t address) const {
    if (address == kRegChipId) return chipId_;
    return bytes_[address];
}

void RegisterSpace::Write(uint16_t address, uint8_t value) {
    if (address == kRegChipId) return;
    bytes_[address] = value;
}

uint16_t RegisterSpace::ReadWide(uint16_t address) const {
    // The sensor answers through the page register; unpaged, or with no
    // sensor on the board, the identity register reads zero.
    if (address == kWideSensorId)
        return sensorFitted_ && words_[kWidePage] == kSensorPage ? kSensorId : 0;
    return words_[address];
}

void RegisterSpace::WriteWide(uint16_t address, uint16_t value) { words_[address] = value; }

}  // namespace simcam
