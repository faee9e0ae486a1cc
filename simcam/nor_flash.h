// A 64 KiB SPI NOR flash as a real part behaves on its bus: commands start
// at select and take effect at deselect, programs only clear bits and need
// write enable first, and a busy part answers nothing but read status.
#pragma once

#include <cstdint>
#include <vector>

#include "simcam/flash_parts.h"

namespace simcam {

constexpr uint32_t kFlashSize = 0x10000;

class NorFlash {
public:
    NorFlash();

    void SetPart(FlashPart part);  // keeps the memory, resets the part's state
    FlashPart Part() const { return row_->part; }
    void SetJedecThirdByte(uint8_t value) { jedecThird_ = value; }
    // How many status reads show write-in-progress after a program or erase.
    void SetWipReads(uint32_t reads) { wipReads_ = reads; }
    void SetWipStuck(bool stuck) { wipStuck_ = stuck; }

    // The bus. Clock() shifts one byte in and one out while selected.
    void Select();
    void Deselect();
    bool Selected() const { return selected_; }
    uint8_t Clock(uint8_t in);

    std::vector<uint8_t>& Memory() { return memory_; }
    const std::vector<uint8_t>& Memory() const { return memory_; }
    // What the processor's own read path gets at `address` (wrapping at 64 KiB).
    uint8_t ReadThrough(uint32_t address) const;

    uint8_t Status() const;  // looks, without counting as a status read
    bool WriteEnabled() const { return wel_; }
    bool Busy() const { return wipStuck_ || wipLeft_ > 0; }

private:
    enum class Command {
        Ignored, Read, FastRead, ReadStatus, WriteEnable, WriteDisable, SectorErase, BlockErase,
        ChipErase, PageProgram, AutoProgram, EnableWriteStatus, WriteStatus, Id90, IdAB, Id9F,
    };

    Command Decode(uint8_t opcode) const;
    uint8_t Answer(uint8_t in, uint32_t n);
    uint8_t ReadStatusOnce();
    void Execute();
    void Erase(uint32_t from, uint32_t length);
    void StartWrite(bool keepWriteEnable);
    void WriteDone();
    uint8_t IdByte(const uint8_t* answer, uint32_t i) const;

    const PartRow* row_;
    std::vector<uint8_t> memory_;
    uint8_t jedecThird_ = 0x10;
    uint32_t wipReads_ = 1;
    bool wipStuck_ = false;

    bool wel_ = false;
    bool ewsr_ = false;            // status write enabled by EWSR (the part with one)
    uint8_t protectBits_ = 0;      // status bits 2..7: kept and reported, not enforced
    uint32_t wipLeft_ = 0;
    bool clearWelWhenDone_ = false;
    bool autoActive_ = false;      // inside an auto-address-increment sequence
    uint32_t autoAddress_ = 0;

    bool selected_ = false;
    Command command_ = Command::Ignored;
    uint32_t count_ = 0;           // bytes clocked since select
    uint32_t address_ = 0;
    uint8_t firstData_ = 0xFF;
    std::vector<uint8_t> latch_;   // the page buffer of a page program
};

}  // namespace simcam
