#include "simcam/spi_engine.h"

namespace simcam {

namespace {

// The chip families whose select line is active low: writing 0 selects.
bool SelectsOnZero(uint8_t chipId) { return (chipId >> 4) == 0x8; }

}  // namespace

void SpiEngine::Shifted() {
    busyLeft_ = busyPolls_;
    if (!Busy() && pending_) {
        received_ = incoming_;
        pending_ = false;
    }
}

uint8_t SpiEngine::Read(uint16_t address) {
    switch (address) {
        case kSpiBusy:
            if (stuck_) return 1;
            if (busyLeft_ > 0) {
                --busyLeft_;
                return 1;
            }
            // The received byte lands when the engine is seen idle.
            if (pending_) {
                received_ = incoming_;
                pending_ = false;
            }
            return 0;
        case kSpiReceive:
            // A receive while off or still shifting is lost.
            if (On() && !Busy()) {
                incoming_ = flash_.Selected() ? flash_.Clock(0xFF) : 0xFF;
                pending_ = true;
                Shifted();
            }
            return 0;
        default:
            return Peek(address);
    }
}

void SpiEngine::Write(uint16_t address, uint8_t value, uint8_t chipId) {
    switch (address) {
        case kSpiControl:
            control_ = value;
            break;
        case kSpiTransmit:
            transmit_ = value;
            // Sent while off or still shifting, the byte goes nowhere.
            if (On() && !Busy()) {
                if (flash_.Selected()) flash_.Clock(value);
                Shifted();
            }
            break;
        case kSpiSelect: {
            select_ = value;
            bool lineHigh = (value & 0x02) != 0;
            if (lineHigh != SelectsOnZero(chipId))
                flash_.Select();
            else
                flash_.Deselect();
            break;
        }
        default:  // busy, receive and data are not written
            break;
    }
}

uint8_t SpiEngine::Peek(uint16_t address) const {
    switch (address) {
        case kSpiControl: return control_;
        case kSpiBusy: return Busy() ? 1 : 0;
        case kSpiTransmit: return transmit_;
        case kSpiData: return received_;
        case kSpiSelect: return select_;
        default: return 0;
    }
}

}  // namespace simcam
