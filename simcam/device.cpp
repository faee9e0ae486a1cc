#include "simcam/device.h"

#include "simcam/controls.h"
#include "simcam/results.h"

namespace simcam {

namespace {

uint32_t LittleEndian(const uint8_t* data, uint32_t length) {
    uint32_t v = 0;
    for (uint32_t i = length; i > 0; --i) v = (v << 8) | data[i - 1];
    return v;
}

void PutLittleEndian(uint8_t* out, uint32_t length, uint32_t value) {
    for (uint32_t i = 0; i < length; ++i)
        out[i] = i < 4 ? static_cast<uint8_t>(value >> (8 * i)) : 0;
}

uint32_t RowLength(const ControlRow& row, uint32_t packet, uint32_t block) {
    switch (row.from) {
        case LengthFrom::Packet: return packet;
        case LengthFrom::Block: return block;
        case LengthFrom::Fixed: break;
    }
    return row.length;
}

}  // namespace

size_t Device::BeginCall() {
    if (hook) hook();
    time.CallBegins();
    size_t index = trace.Begin();
    PowerGone();
    spi.SetStuck(faults.BusyStuck(index));
    flash.SetWipStuck(faults.WipStuck(index));
    return index;
}

bool Device::PowerGone() {
    if (!powerGone_ && time.PastCut()) {
        powerGone_ = true;
        flash.CutPower(time.CutUs(), cutSeed);
        faults.Unplug();
    }
    return powerGone_;
}

HRESULT Device::LengthOf(uint32_t selector, uint32_t* length) const {
    const ControlRow* row = FindControl(selector);
    if (!row) return kNoSuchControl;
    *length = RowLength(*row, packetLength, blockLength);
    return kOk;
}

HRESULT Device::AccessOf(uint32_t selector, uint32_t* flags) const {
    const ControlRow* row = FindControl(selector);
    if (!row) return kNoSuchControl;
    if (faults.InfoStalls(selector)) return kStall;
    *flags = (row->canGet ? kAccessGet : 0) | (row->canSet ? kAccessSet : 0);
    return kOk;
}

HRESULT Device::Set(uint32_t selector, const uint8_t* data, uint32_t length) {
    const ControlRow* row = FindControl(selector);
    if (!row) return kNoSuchControl;
    if (!row->canSet || length != RowLength(*row, packetLength, blockLength)) return kStall;
    return SetValue(selector, data, length);
}

HRESULT Device::Get(uint32_t selector, uint8_t* out, uint32_t length) {
    const ControlRow* row = FindControl(selector);
    if (!row) return kNoSuchControl;
    if (!row->canGet || length != RowLength(*row, packetLength, blockLength)) return kStall;
    GetValue(selector, out, length);
    return kOk;
}

HRESULT Device::SetValue(uint32_t selector, const uint8_t* data, uint32_t length) {
    uint32_t v = LittleEndian(data, length < 4 ? length : 4);
    switch (selector) {
        case kSelRegAddress: regAddress = static_cast<uint16_t>(v); return kOk;
        case kSelRegData: WriteReg(regAddress, static_cast<uint8_t>(v)); return kOk;
        case kSelWideAddress: wideAddress = static_cast<uint16_t>(v); return kOk;
        case kSelWideData: regs.WriteWide(wideAddress, static_cast<uint16_t>(v)); return kOk;
        case kSelCmdSlot: return download.SelectSlot(static_cast<uint8_t>(v)) ? kOk : kStall;
        case kSelCmdValue: return download.SetOpcode(static_cast<uint8_t>(v)) ? kOk : kStall;
        case kSelDownloadEnable: download.SetEnable(static_cast<uint8_t>(v)); return kOk;
        case kSelDownloadData: return download.Packet(data, length) ? kOk : kStall;
        case kSelFinish: download.Finish(static_cast<uint8_t>(v)); return kOk;
        case kSelReadAddress: readAddress = v; return kOk;
        case kSelFlashMode: download.SetMode(static_cast<uint8_t>(v)); return kOk;
        default: return kStall;
    }
}

void Device::GetValue(uint32_t selector, uint8_t* out, uint32_t length) {
    switch (selector) {
        case kSelRegAddress: PutLittleEndian(out, length, regAddress); break;
        case kSelRegData: PutLittleEndian(out, length, ReadReg(regAddress)); break;
        case kSelWideAddress: PutLittleEndian(out, length, wideAddress); break;
        case kSelWideData: PutLittleEndian(out, length, regs.ReadWide(wideAddress)); break;
        case kSelCmdSlot: PutLittleEndian(out, length, download.Slot()); break;
        case kSelCmdValue: PutLittleEndian(out, length, download.Opcode()); break;
        case kSelDownloadEnable: PutLittleEndian(out, length, download.Enable()); break;
        case kSelChecksum:
            PutLittleEndian(out, length, download.Checksum() ^ faults.ChecksumError());
            break;
        case kSelFlashData:
            for (uint32_t i = 0; i < length; ++i) out[i] = flash.ReadThrough(readAddress + i);
            break;
        default: break;
    }
}

uint8_t Device::ReadReg(uint16_t address) {
    return SpiEngine::Owns(address) ? spi.Read(address) : regs.Read(address);
}

void Device::WriteReg(uint16_t address, uint8_t value) {
    if (SpiEngine::Owns(address))
        spi.Write(address, value, regs.ChipId());
    else
        regs.Write(address, value);
}

uint8_t Device::PeekReg(uint16_t address) const {
    return SpiEngine::Owns(address) ? spi.Peek(address) : regs.Read(address);
}

}  // namespace simcam
