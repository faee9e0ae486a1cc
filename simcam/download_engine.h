// The download engine: the host loads it with the flash part's command
// table, arms it (selector 9), streams packets (selector 10) that it
// programs into the flash from address 0, and commits (selector 12). It
// waits out each program and erase on the camera's time.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "simcam/camera_time.h"
#include "simcam/flash_parts.h"
#include "simcam/nor_flash.h"

namespace simcam {

class DownloadEngine {
public:
    DownloadEngine(NorFlash& flash, CameraTime& time) : flash_(flash), time_(time) {}

    // The command table: a slot (1..12) is named, then its opcode written.
    bool SelectSlot(uint8_t slot);  // false outside 1..12
    uint8_t Slot() const { return slot_; }
    bool SetOpcode(uint8_t opcode);  // false while no slot is named
    uint8_t Opcode() const { return slot_ ? table_[slot_ - 1] : 0; }
    void SetMode(uint8_t mode) { table_[kSlotMode] = mode; }
    const OpcodeTable& Table() const { return table_; }

    void SetEnable(uint8_t value);
    uint8_t Enable() const { return enable_; }
    const std::vector<uint8_t>& EnableHistory() const { return history_; }
    bool Enabled() const { return enable_ != 0; }

    bool Packet(const uint8_t* data, uint32_t length);  // false while disabled
    uint8_t Checksum() const { return checksum_; }
    void Finish(uint8_t value);

    bool Committed() const { return committed_; }
    uint32_t Packets() const { return packets_; }
    uint64_t Bytes() const { return bytes_; }
    uint32_t Erases() const { return erases_; }
    uint64_t Position() const { return position_; }

private:
    void Send(const uint8_t* bytes, uint32_t length);
    void Send(std::initializer_list<uint8_t> bytes) { Send(bytes.begin(), static_cast<uint32_t>(bytes.size())); }
    bool WaitReady();
    void Erase();
    void Program(uint32_t address, const uint8_t* data, uint32_t length);

    NorFlash& flash_;
    CameraTime& time_;
    OpcodeTable table_{};  // empty until the host loads it
    uint8_t slot_ = 0;

    uint8_t enable_ = 0;
    std::vector<uint8_t> history_;
    bool erasePending_ = false;
    bool stalled_ = false;  // the flash never came ready or the power went: programming stopped
    uint8_t checksum_ = 0;
    uint64_t position_ = 0;
    bool committed_ = false;
    uint32_t packets_ = 0;
    uint64_t bytes_ = 0;
    uint32_t erases_ = 0;
};

}  // namespace simcam
