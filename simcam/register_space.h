// The processor's two register spaces as the host sees them: 64 Ki bytes
// and 64 Ki 16-bit words, plain memory but for a few identity registers.
// The SPI engine's registers (0x2020..0x2025) are not served from here.
#pragma once

#include <cstdint>
#include <vector>

namespace simcam {

constexpr uint16_t kRegChipId = 0x20FF;
constexpr uint16_t kReg2045 = 0x2045;
constexpr uint16_t kWidePage = 0xFCFC;
constexpr uint16_t kWideSensorId = 0x0152;
constexpr uint16_t kSensorPage = 0x7000;
constexpr uint16_t kSensorId = 0x06AA;

class RegisterSpace {
public:
    RegisterSpace();

    uint8_t Read(uint16_t address) const;
    void Write(uint16_t address, uint8_t value);  // the chip identity ignores writes
    uint16_t ReadWide(uint16_t address) const;
    void WriteWide(uint16_t address, uint16_t value);

    void SetChipId(uint8_t id) { chipId_ = id; }
    uint8_t ChipId() const { return chipId_; }
    void SetSensorFitted(bool fitted) { sensorFitted_ = fitted; }

private:
    std::vector<uint8_t> bytes_;
    std::vector<uint16_t> words_;
    uint8_t chipId_ = 0x65;
    bool sensorFitted_ = true;
};

}  // namespace simcam
