#include "simcam/download_engine.h"

#include <algorithm>

namespace simcam {

namespace {

// Programs go in runs that stay inside one 32-byte window, which every
// fitted part's page holds.
constexpr uint32_t kRun = 32;
// Status reads the engine spends on one wait before it gives up.
constexpr uint32_t kMaxPolls = 1u << 20;

}  // namespace

bool DownloadEngine::SelectSlot(uint8_t slot) {
    if (slot < 1 || slot > 12) return false;
    slot_ = slot;
    return true;
}

bool DownloadEngine::SetOpcode(uint8_t opcode) {
    if (slot_ == 0) return false;
    table_[slot_ - 1] = opcode;
    return true;
}

void DownloadEngine::SetEnable(uint8_t value) {
    history_.push_back(value);
    enable_ = value;
    if (value == 0) return;
    // Armed, but nothing erased yet: an enable with no data keeps the firmware.
    erasePending_ = true;
    stalled_ = false;
    checksum_ = 0;
    position_ = 0;
}

void DownloadEngine::Finish(uint8_t value) {
    if (value == 1 && Enabled()) committed_ = true;
}

bool DownloadEngine::Packet(const uint8_t* data, uint32_t length) {
    if (!Enabled()) return false;
    if (erasePending_) {
        erasePending_ = false;
        Erase();
    }
    for (uint32_t i = 0; i < length; ++i) checksum_ ^= data[i];
    ++packets_;
    bytes_ += length;
    // Bytes past the end of the flash count in the checksum and go nowhere.
    if (position_ < kFlashSize && !stalled_) {
        uint64_t room = kFlashSize - position_;
        uint32_t n = length < room ? length : static_cast<uint32_t>(room);
        Program(static_cast<uint32_t>(position_), data, n);
    }
    position_ += length;
    return true;
}

void DownloadEngine::Send(const uint8_t* bytes, uint32_t length) {
    flash_.Select();
    for (uint32_t i = 0; i < length; ++i) flash_.Clock(bytes[i]);
    flash_.Deselect();
}

bool DownloadEngine::WaitReady() {
    // The engine lets the part's program or erase time pass before it polls;
    // the power may go meanwhile, and with it everything after.
    uint64_t now = time_.NowUs();
    uint64_t end = flash_.BusyUntil();
    if (end > now && !time_.Spend(end - now)) {
        stalled_ = true;
        return false;
    }
    flash_.Select();
    flash_.Clock(table_[kSlotReadStatus]);
    bool ready = false;
    for (uint32_t i = 0; i < kMaxPolls && !ready; ++i) ready = (flash_.Clock(0xFF) & 0x01) == 0;
    flash_.Deselect();
    if (!ready) stalled_ = true;
    return ready;
}

void DownloadEngine::Erase() {
    ++erases_;
    Send({table_[kSlotWriteEnable]});
    Send({table_[kSlotChipErase]});
    WaitReady();
}

// With the loaded table's opcodes: the auto-increment program in mode 1,
// else page programs, each after its own write enable.
void DownloadEngine::Program(uint32_t address, const uint8_t* data, uint32_t length) {
    if (length == 0) return;
    if (table_[kSlotMode] == 1) {
        uint8_t op = table_[kSlotAutoProgram];
        Send({table_[kSlotWriteEnable]});
        Send({op, static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 8),
              static_cast<uint8_t>(address), data[0]});
        bool ok = WaitReady();
        for (uint32_t i = 1; i < length && ok; ++i) {
            Send({op, data[i]});
            ok = WaitReady();
        }
        Send({table_[kSlotWriteDisable]});
        return;
    }
    uint32_t done = 0;
    while (done < length && !stalled_) {
        uint32_t at = address + done;
        uint32_t run = kRun - at % kRun;
        if (run > length - done) run = length - done;
        uint8_t bytes[4 + kRun] = {table_[kSlotPageProgram], static_cast<uint8_t>(at >> 16),
                                   static_cast<uint8_t>(at >> 8), static_cast<uint8_t>(at)};
        std::copy(data + done, data + done + run, bytes + 4);
        Send({table_[kSlotWriteEnable]});
        Send(bytes, 4 + run);
        WaitReady();
        done += run;
    }
}

}  // namespace simcam
