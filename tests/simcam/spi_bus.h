// Test-side SPI master: drives the flash through the engine's registers
// the way the updater does, one register transfer at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "host.h"

namespace simcam_test {

class SpiBus {
public:
    // `selectsOnZero`: the chip family whose select line is active low.
    explicit SpiBus(Host& host, bool selectsOnZero = false)
        : host_(host), selectValue_(selectsOnZero ? 0 : 2), deselectValue_(selectsOnZero ? 2 : 0) {
        host_.WriteReg(0x2020, 0x80);
    }
    void Select() { host_.WriteReg(0x2025, selectValue_); }
    void Deselect() { host_.WriteReg(0x2025, deselectValue_); }
    // Polls until idle; false when the engine never came idle.
    bool WaitIdle(int maxPolls = 64) {
        for (int i = 0; i < maxPolls; ++i)
            if (host_.ReadReg(0x2021) == 0) return true;
        return false;
    }
    void Send(uint8_t byte) {
        host_.WriteReg(0x2022, byte);
        WaitIdle();
    }
    uint8_t Receive() {
        host_.ReadReg(0x2023);
        WaitIdle();
        return host_.ReadReg(0x2024);
    }
    // One whole command: select, send `out`, receive `in` bytes, deselect.
    std::vector<uint8_t> Command(const std::vector<uint8_t>& out, size_t in = 0) {
        Select();
        for (uint8_t b : out) Send(b);
        std::vector<uint8_t> answer;
        for (size_t i = 0; i < in; ++i) answer.push_back(Receive());
        Deselect();
        return answer;
    }
    uint8_t Status() { return Command({0x05}, 1)[0]; }
    // Reads status until write-in-progress clears.
    bool WaitReady(int maxReads = 64) {
        for (int i = 0; i < maxReads; ++i)
            if ((Status() & 0x01) == 0) return true;
        return false;
    }

private:
    Host& host_;
    uint8_t selectValue_;
    uint8_t deselectValue_;
};

}  // namespace simcam_test
