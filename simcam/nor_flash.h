// A 64 KiB SPI NOR flash as a real part behaves on its bus: commands start
// at select and take effect at deselect, programs only clear bits and need
// write enable first, and a busy part answers nothing but read status.
// A program or erase takes time on the camera's clock; power lost meanwhile
// leaves its bytes partly done.
#pragma once

#include <cstdint>
#include <vector>

#include "simcam/busy_span.h"
#include "simcam/camera_time.h"
#include "simcam/flash_parts.h"

namespace simcam {

constexpr uint32_t kFlashSize = 0x10000;

// How long the part is busy, from the parts' data sheets: a page program
// takes 1.4 to 2.5 ms, a byte program (the part that programs one byte at a
// time) about 14 us, a 4 KiB sector erase 60 to 120 ms, a 64 KiB block (here
// the whole part) up to a few seconds.
constexpr uint64_t kPageProgramUs = 2000;
constexpr uint64_t kByteProgramUs = 14;
constexpr uint64_t kSectorEraseUs = 90000;
constexpr uint64_t kChipEraseUs = 1500000;
constexpr uint64_t kStatusWriteUs = 5000;

class NorFlash {
public:
    explicit NorFlash(CameraTime& time);

    void SetPart(FlashPart part);  // keeps the memory, resets the part's state
    FlashPart Part() const { return row_->part; }
    void SetJedecThirdByte(uint8_t value) { jedecThird_ = value; }
    // How many status reads at least show write-in-progress after a program
    // or erase; it lasts until they are done and its time has passed.
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
    bool WriteEnabled() const;
    bool Busy() const { return wipStuck_ || wipLeft_ > 0 || time_.NowUs() < busyUntil_; }
    uint64_t BusyUntil() const { return busyUntil_; }
    const std::vector<BusySpan>& Spans() const { return spans_; }

    // The power went at `us`: the write running then, if any, is left partly
    // done, each of its bits done or not as a generator seeded by `seed` draws.
    void CutPower(uint64_t us, uint32_t seed);

private:
    enum class Command {
        Ignored, Read, FastRead, ReadStatus, WriteEnable, WriteDisable, SectorErase, BlockErase,
        ChipErase, PageProgram, AutoProgram, EnableWriteStatus, WriteStatus, Id90, IdAB, Id9F,
    };

    Command Decode(uint8_t opcode) const;
    uint8_t Answer(uint8_t in, uint32_t n);
    uint8_t ReadStatusOnce();
    void Execute();
    void Erase(uint32_t from, uint32_t length, uint64_t us);
    void KeepBefore(uint32_t from, uint32_t length);
    void StartWrite(BusySpan::Kind kind, uint32_t address, uint32_t length, uint64_t us,
                    bool keepWriteEnable);
    bool WriteOver() const;
    void Settle();
    uint8_t IdByte(const uint8_t* answer, uint32_t i) const;

    CameraTime& time_;
    const PartRow* row_;
    std::vector<uint8_t> memory_;
    uint8_t jedecThird_ = 0x10;
    uint32_t wipReads_ = 1;
    bool wipStuck_ = false;

    bool wel_ = false;
    bool ewsr_ = false;            // status write enabled by EWSR (the part with one)
    uint8_t protectBits_ = 0;      // status bits 2..7: kept and reported, not enforced
    uint32_t wipLeft_ = 0;
    uint64_t busyUntil_ = 0;
    bool writing_ = false;         // a write whose end has not been seen yet
    bool clearWelWhenDone_ = false;
    bool autoActive_ = false;      // inside an auto-address-increment sequence
    uint32_t autoAddress_ = 0;

    bool selected_ = false;
    Command command_ = Command::Ignored;
    uint32_t count_ = 0;           // bytes clocked since select
    uint32_t address_ = 0;
    uint8_t firstData_ = 0xFF;
    std::vector<uint8_t> latch_;   // the page buffer of a page program

    std::vector<BusySpan> spans_;
    uint32_t beforeAt_ = 0;        // the last write's bytes as they were before it
    std::vector<uint8_t> before_;
};

}  // namespace simcam
