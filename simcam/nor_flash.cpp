#include "simcam/nor_flash.h"

namespace simcam {

namespace {

constexpr uint32_t kSectorSize = 0x1000;
constexpr uint8_t kIdle = 0xFF;  // the data line floats high when the part says nothing

// Draws for a cut write's bits: the same seed, the same bytes.
class Draws {
public:
    explicit Draws(uint32_t seed) : x_(seed) {}
    uint64_t Next() {  // splitmix64
        uint64_t z = (x_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

private:
    uint64_t x_;
};

}  // namespace

NorFlash::NorFlash(CameraTime& time)
    : time_(time), row_(&PartOf(FlashPart::Type0)), memory_(kFlashSize, 0xFF) {}

void NorFlash::SetPart(FlashPart part) {
    row_ = &PartOf(part);
    wel_ = ewsr_ = autoActive_ = false;
    protectBits_ = 0;
    wipLeft_ = 0;
    busyUntil_ = 0;
    writing_ = false;
    selected_ = false;
}

uint8_t NorFlash::ReadThrough(uint32_t address) const {
    if (row_->stuckLine) return row_->stuckLevel;
    return memory_[address % kFlashSize];
}

uint8_t NorFlash::Status() const {
    return static_cast<uint8_t>((Busy() ? 0x01 : 0) | (WriteEnabled() ? 0x02 : 0) | protectBits_);
}

// The latch clears when a write ends, which may be seen before Settle() runs.
bool NorFlash::WriteEnabled() const { return wel_ && !(clearWelWhenDone_ && WriteOver()); }

bool NorFlash::WriteOver() const {
    return writing_ && wipLeft_ == 0 && time_.NowUs() >= busyUntil_;
}

void NorFlash::Settle() {
    if (!WriteOver()) return;
    writing_ = false;
    if (clearWelWhenDone_) wel_ = false;
}

void NorFlash::Select() {
    if (selected_) return;
    Settle();
    selected_ = true;
    count_ = 0;
    address_ = 0;
    command_ = Command::Ignored;
}

void NorFlash::Deselect() {
    if (!selected_) return;
    selected_ = false;
    Settle();
    Execute();
}

NorFlash::Command NorFlash::Decode(uint8_t opcode) const {
    const OpcodeTable& t = *row_->opcodes;
    if (row_->stuckLine || opcode == kNoOpcode) return Command::Ignored;
    // A part that is writing listens to read status only; inside an
    // auto-increment sequence it also takes the next byte or the way out.
    if (Busy()) return opcode == t[kSlotReadStatus] ? Command::ReadStatus : Command::Ignored;
    if (autoActive_) {
        if (opcode == t[kSlotAutoProgram]) return Command::AutoProgram;
        if (opcode == t[kSlotWriteDisable]) return Command::WriteDisable;
        if (opcode == t[kSlotReadStatus]) return Command::ReadStatus;
        return Command::Ignored;
    }
    if (opcode == kOpId90) return Command::Id90;
    if (opcode == kOpIdAB) return Command::IdAB;
    if (opcode == kOpId9F) return Command::Id9F;
    static const struct {
        SlotIndex slot;
        Command command;
    } kBySlot[] = {
        {kSlotRead, Command::Read},
        {kSlotFastRead, Command::FastRead},
        {kSlotReadStatus, Command::ReadStatus},
        {kSlotWriteEnable, Command::WriteEnable},
        {kSlotWriteDisable, Command::WriteDisable},
        {kSlotSectorErase, Command::SectorErase},
        {kSlotBlockErase, Command::BlockErase},
        {kSlotChipErase, Command::ChipErase},
        {kSlotPageProgram, Command::PageProgram},
        {kSlotAutoProgram, Command::AutoProgram},
        {kSlotEnableWriteStatus, Command::EnableWriteStatus},
        {kSlotWriteStatus, Command::WriteStatus},
    };
    for (const auto& s : kBySlot)
        if (t[s.slot] == opcode) return s.command;
    return Command::Ignored;
}

uint8_t NorFlash::Clock(uint8_t in) {
    if (!selected_) return kIdle;
    if (row_->stuckLine) return row_->stuckLevel;
    uint32_t n = count_++;
    if (n == 0) {
        command_ = Decode(in);
        if (command_ == Command::PageProgram) latch_.assign(row_->pageSize, 0xFF);
        return kIdle;
    }
    return Answer(in, n);
}

uint8_t NorFlash::IdByte(const uint8_t* answer, uint32_t i) const {
    // Past its three bytes an identification answer repeats.
    if (row_->part == FlashPart::Type6 && answer == row_->answer9F && i % 3 == 2) return jedecThird_;
    return answer[i % 3];
}

// Byte n (n >= 1) of the current command: `in` is what the host shifts in,
// the result what the part shifts out at the same time.
uint8_t NorFlash::Answer(uint8_t in, uint32_t n) {
    bool addressByte = n <= 3;
    if (addressByte) address_ = (address_ << 8) | in;
    switch (command_) {
        case Command::Read:
            return addressByte ? kIdle : memory_[(address_ + n - 4) % kFlashSize];
        case Command::FastRead:
            return n <= 4 ? kIdle : memory_[(address_ + n - 5) % kFlashSize];
        case Command::ReadStatus:
            return ReadStatusOnce();
        case Command::Id90:
            return addressByte ? kIdle : IdByte(row_->answer90, n - 4);
        case Command::IdAB:
            return addressByte ? kIdle : IdByte(row_->answerAB, n - 4);
        case Command::Id9F:
            return IdByte(row_->answer9F, n - 1);
        case Command::PageProgram:
            if (!addressByte) {
                if (n == 4) firstData_ = in;
                // Bytes past the page end wrap to its start; later ones win.
                uint32_t page = row_->pageSize;
                latch_[(address_ % page + n - 4) % page] = in;
            }
            return kIdle;
        case Command::AutoProgram:
            // The first byte of a sequence carries an address; the rest do not.
            if ((autoActive_ && n == 1) || (!autoActive_ && n == 4)) firstData_ = in;
            return kIdle;
        case Command::WriteStatus:
            if (n == 1) firstData_ = in;
            return kIdle;
        default:
            return kIdle;
    }
}

uint8_t NorFlash::ReadStatusOnce() {
    uint8_t status = Status();
    if (wipLeft_ > 0) --wipLeft_;
    Settle();
    return status;
}

// A command takes effect when the host deselects the part, and only when
// it stopped at the byte where the command ends, as real parts demand.
void NorFlash::Execute() {
    uint32_t address = address_ % kFlashSize;
    switch (command_) {
        case Command::WriteEnable:
            if (count_ == 1) wel_ = true;
            break;
        case Command::WriteDisable:
            if (count_ == 1) wel_ = autoActive_ = false;
            break;
        case Command::EnableWriteStatus:
            if (count_ == 1) ewsr_ = true;
            break;
        case Command::ChipErase:
            if (count_ == 1 && wel_) Erase(0, kFlashSize, kChipEraseUs);
            break;
        case Command::BlockErase:  // one 64 KiB block: the whole part
            if (count_ == 4 && wel_) Erase(0, kFlashSize, kChipEraseUs);
            break;
        case Command::SectorErase:
            if (count_ == 4 && wel_)
                Erase(address & ~(kSectorSize - 1), kSectorSize, kSectorEraseUs);
            break;
        case Command::PageProgram:
            if (count_ < 5 || !wel_) break;
            if (row_->oneBytePageProgram) {
                KeepBefore(address, 1);
                memory_[address] &= firstData_;
                StartWrite(BusySpan::Kind::Program, address, 1, kByteProgramUs, false);
            } else {
                uint32_t page = row_->pageSize;
                uint32_t base = address & ~(page - 1);
                uint32_t given = count_ - 4 < page ? count_ - 4 : page;
                // The latch is erased beyond the bytes given: only those can
                // change, unless they wrapped past the page's end.
                uint32_t from = address % page, length = given;
                if (from + length > page) from = 0, length = page;
                KeepBefore(base + from, length);
                for (uint32_t i = from; i < from + length; ++i) memory_[base + i] &= latch_[i];
                StartWrite(BusySpan::Kind::Program, address, given, kPageProgramUs, false);
            }
            break;
        case Command::AutoProgram:
            if (!autoActive_ && count_ == 5 && wel_) {
                autoActive_ = true;
                autoAddress_ = address;
            } else if (!(autoActive_ && count_ == 2)) {
                break;
            }
            KeepBefore(autoAddress_, 1);
            memory_[autoAddress_] &= firstData_;
            // The sequence keeps write enable until write disable.
            StartWrite(BusySpan::Kind::Program, autoAddress_, 1, kByteProgramUs, true);
            autoAddress_ = (autoAddress_ + 1) % kFlashSize;
            break;
        case Command::WriteStatus:
            if (count_ == 2 && (wel_ || ewsr_)) {
                protectBits_ = firstData_ & 0xFC;
                ewsr_ = false;
                before_.clear();
                StartWrite(BusySpan::Kind::StatusWrite, 0, 0, kStatusWriteUs, false);
            }
            break;
        default:
            break;
    }
    command_ = Command::Ignored;
}

void NorFlash::Erase(uint32_t from, uint32_t length, uint64_t us) {
    KeepBefore(from, length);
    for (uint32_t i = 0; i < length; ++i) memory_[from + i] = 0xFF;
    StartWrite(BusySpan::Kind::Erase, from, length, us, false);
}

// A write takes effect at once; what it replaced is kept so that a power
// cut inside it can leave it partly done.
void NorFlash::KeepBefore(uint32_t from, uint32_t length) {
    beforeAt_ = from;
    before_.assign(memory_.begin() + from, memory_.begin() + from + length);
}

void NorFlash::StartWrite(BusySpan::Kind kind, uint32_t address, uint32_t length, uint64_t us,
                          bool keepWriteEnable) {
    uint64_t now = time_.NowUs();
    spans_.push_back({now, now + us, kind, address, length});
    busyUntil_ = now + us;
    writing_ = true;
    clearWelWhenDone_ = !keepWriteEnable;
    wipLeft_ = wipReads_;
    Settle();
}

// Only the last write can be running: a busy part takes no other. Each bit
// it changes is done with a chance that grows with the time it had.
void NorFlash::CutPower(uint64_t us, uint32_t seed) {
    // Powered again, the part starts idle with its latches clear.
    wel_ = ewsr_ = autoActive_ = writing_ = selected_ = false;
    wipLeft_ = 0;
    busyUntil_ = 0;
    if (spans_.empty() || before_.empty()) return;
    const BusySpan& last = spans_.back();
    if (us < last.startUs || us >= last.endUs) return;
    uint64_t had = us - last.startUs;
    uint64_t needs = last.endUs - last.startUs;
    Draws draws(seed);
    for (uint32_t i = 0; i < before_.size(); ++i) {
        uint8_t& byte = memory_[beforeAt_ + i];
        uint8_t changed = static_cast<uint8_t>(byte ^ before_[i]);
        uint8_t done = 0;
        for (uint8_t bit = 1; bit != 0; bit = static_cast<uint8_t>(bit << 1))
            if ((changed & bit) && draws.Next() % needs < had) done |= bit;
        byte = static_cast<uint8_t>(before_[i] ^ done);
    }
}

}  // namespace simcam
