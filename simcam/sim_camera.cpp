#include "simcam/sim_camera.h"

#include <utility>

#include "simcam/device.h"
#include "simcam/flash_file.h"
#include "simcam/ks_port.h"
#include "simcam/xu_port.h"

namespace simcam {

SimCamera::SimCamera() : device_(std::make_shared<Device>()) {}
SimCamera::~SimCamera() = default;

IKsControl* SimCamera::NewKsControl() { return new KsPort(device_); }
IDriverXu* SimCamera::NewDriverXu() { return new XuPort(device_); }
long SimCamera::PortsHeld() const { return device_.use_count() - 1; }

void SimCamera::SetChipId(uint8_t id) { device_->regs.SetChipId(id); }
void SimCamera::SetReg2045(uint8_t value) { device_->regs.Write(kReg2045, value); }
void SimCamera::SetSensorFitted(bool fitted) { device_->regs.SetSensorFitted(fitted); }
void SimCamera::SetNodeId(uint32_t node) { device_->nodeId = node; }
void SimCamera::SetPacketLength(uint32_t p) { device_->packetLength = p; }
void SimCamera::SetBlockLength(uint32_t b) { device_->blockLength = b; }
void SimCamera::SetFlashPart(FlashPart part) { device_->flash.SetPart(part); }
void SimCamera::SetJedecThirdByte(uint8_t xx) { device_->flash.SetJedecThirdByte(xx); }
void SimCamera::SetBusyPolls(uint32_t polls) { device_->spi.SetBusyPolls(polls); }
void SimCamera::SetWipReads(uint32_t reads) { device_->flash.SetWipReads(reads); }
void SimCamera::SetClock(SimClock* clock) { device_->time.SetClock(clock); }
void SimCamera::CutPowerAt(uint64_t us, uint32_t seed) {
    device_->time.CutAt(us);
    device_->cutSeed = seed;
}
const std::vector<BusySpan>& SimCamera::BusySpans() const { return device_->flash.Spans(); }

uint8_t SimCamera::Reg(uint16_t address) const { return device_->PeekReg(address); }
void SimCamera::SetReg(uint16_t address, uint8_t value) {
    if (address == kRegChipId)
        device_->regs.SetChipId(value);
    else
        device_->WriteReg(address, value);
}
uint16_t SimCamera::WideReg(uint16_t address) const { return device_->regs.ReadWide(address); }
void SimCamera::SetWideReg(uint16_t address, uint16_t value) {
    device_->regs.WriteWide(address, value);
}
uint8_t SimCamera::DownloadEnable() const { return device_->download.Enable(); }
const std::vector<uint8_t>& SimCamera::EnableHistory() const {
    return device_->download.EnableHistory();
}
bool SimCamera::EngineEnabled() const { return device_->download.Enabled(); }
bool SimCamera::Committed() const { return device_->download.Committed(); }
uint32_t SimCamera::PacketsReceived() const { return device_->download.Packets(); }
uint64_t SimCamera::BytesReceived() const { return device_->download.Bytes(); }
uint32_t SimCamera::EraseCount() const { return device_->download.Erases(); }
uint8_t SimCamera::Checksum() const { return device_->download.Checksum(); }
uint64_t SimCamera::WritePosition() const { return device_->download.Position(); }
uint8_t SimCamera::CommandSlot() const { return device_->download.Slot(); }
std::array<uint8_t, 13> SimCamera::CommandTable() const { return device_->download.Table(); }
uint32_t SimCamera::FlashReadAddress() const { return device_->readAddress; }

std::vector<uint8_t>& SimCamera::Flash() { return device_->flash.Memory(); }
const std::vector<uint8_t>& SimCamera::Flash() const { return device_->flash.Memory(); }
bool SimCamera::LoadFlash(const std::string& path) {
    return LoadFlashImage(path, &device_->flash.Memory());
}
bool SimCamera::SaveFlash(const std::string& path) const {
    return SaveFlashImage(path, device_->flash.Memory());
}
uint8_t SimCamera::FlashStatus() const { return device_->flash.Status(); }
FlashPart SimCamera::FittedPart() const { return device_->flash.Part(); }

const std::vector<Call>& SimCamera::Calls() const { return device_->trace.Calls(); }
std::vector<Request> SimCamera::Requests() const { return device_->trace.Requests(); }
void SimCamera::ClearTrace() { device_->trace.Clear(); }

void SimCamera::FailCallOnce(size_t k) { device_->faults.FailCallOnce(k); }
void SimCamera::FailFromCall(size_t k) { device_->faults.FailFromCall(k); }
void SimCamera::FailSelector(uint32_t selector) { device_->faults.FailSelector(selector); }
void SimCamera::SetFailureResult(HRESULT hr) { device_->faults.SetResult(hr); }
void SimCamera::SetGarbageOnFailedRead(bool on) { device_->faults.SetGarbageOnFailedRead(on); }
void SimCamera::StickBusyFromCall(size_t k) { device_->faults.StickBusyFrom(k); }
void SimCamera::StickWipFromCall(size_t k) { device_->faults.StickWipFrom(k); }
void SimCamera::SetChecksumError(uint8_t xorMask) { device_->faults.SetChecksumError(xorMask); }
void SimCamera::StallInfo(uint32_t selector) { device_->faults.StallInfo(selector); }
void SimCamera::ClearFaults() { device_->faults.Clear(); }

void SimCamera::SetCallHook(std::function<void()> hook) { device_->hook = std::move(hook); }

}  // namespace simcam
