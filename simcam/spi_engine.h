// The processor's SPI engine, registers 0x2020..0x2025, through which the
// host talks to the flash one byte at a time.
#pragma once

#include <cstdint>

#include "simcam/nor_flash.h"

namespace simcam {

constexpr uint16_t kSpiControl = 0x2020;  // 0x80 on, 0x00 released (bit 7 counts)
constexpr uint16_t kSpiBusy = 0x2021;     // nonzero while shifting
constexpr uint16_t kSpiTransmit = 0x2022; // a write sends the byte
constexpr uint16_t kSpiReceive = 0x2023;  // a read shifts one byte in; it answers 0
constexpr uint16_t kSpiData = 0x2024;     // the byte received
constexpr uint16_t kSpiSelect = 0x2025;   // the flash's chip select line (bit 1)

class SpiEngine {
public:
    explicit SpiEngine(NorFlash& flash) : flash_(flash) {}

    static bool Owns(uint16_t address) { return address >= kSpiControl && address <= kSpiSelect; }
    // A host read, with its side effects (a busy poll, a receive).
    uint8_t Read(uint16_t address);
    void Write(uint16_t address, uint8_t value, uint8_t chipId);
    uint8_t Peek(uint16_t address) const;

    // After each byte shifted the engine answers busy to this many polls.
    void SetBusyPolls(uint32_t polls) { busyPolls_ = polls; }
    void SetStuck(bool stuck) { stuck_ = stuck; }

private:
    bool On() const { return (control_ & 0x80) != 0; }
    bool Busy() const { return stuck_ || busyLeft_ > 0; }
    void Shifted();

    NorFlash& flash_;
    uint8_t control_ = 0;
    uint8_t transmit_ = 0;
    uint8_t received_ = 0;
    uint8_t select_ = 0;
    uint32_t busyPolls_ = 0;
    uint32_t busyLeft_ = 0;
    bool stuck_ = false;
    bool pending_ = false;   // a received byte not yet in 0x2024
    uint8_t incoming_ = 0;
};

}  // namespace simcam
