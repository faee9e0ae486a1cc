// The simulated camera: a model of the webcam's image processor and its
// SPI NOR flash, reached through the same two driver interfaces as the
// real device. Tests configure it, drive it through the interfaces, and
// inspect its state and the record of every driver call.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/driver_xu.h"
#include "platform/win_types.h"
#include "simcam/busy_span.h"
#include "simcam/flash_parts.h"
#include "simcam/sim_clock.h"
#include "simcam/trace.h"

namespace simcam {

class Device;

class SimCamera {
public:
    SimCamera();
    ~SimCamera();
    SimCamera(const SimCamera&) = delete;
    SimCamera& operator=(const SimCamera&) = delete;

    // Interfaces: each returns a NEW reference owned by the caller (count 1).
    // They keep the model alive after this object is gone.
    IKsControl* NewKsControl();
    IDriverXu* NewDriverXu();
    // How many of those are still held: none once a program let the camera go.
    long PortsHeld() const;

    // Configuration.
    void SetChipId(uint8_t id);          // register 0x20FF, default 0x65
    void SetReg2045(uint8_t value);      // default 0x00
    void SetSensorFitted(bool fitted);   // default fitted
    void SetNodeId(uint32_t node);       // the unit's KS node, default 2
    void SetPacketLength(uint32_t p);    // selector 10's length, default 64
    void SetBlockLength(uint32_t b);     // selector 15's length, default 4096
    void SetFlashPart(FlashPart part);   // default Type0; keeps the flash contents
    void SetJedecThirdByte(uint8_t xx);  // Type6's 0x9F answer C2 22 xx, default 0x10
    void SetBusyPolls(uint32_t polls);   // SPI engine busy polls per byte, default 0
    // Status reads that show write-in-progress after each program or erase,
    // default 1. The part is busy until they are done and the write's time
    // (2 ms a page, 14 us a byte, 90 ms a sector, 1.5 s the whole part, 5 ms
    // the status) has passed; meanwhile it hears nothing but read status.
    void SetWipReads(uint32_t reads);

    // Time. The camera's time is the clock's (null: its own, which moves on
    // by a 1 ms round trip at every driver call); the camera's own waits for
    // the flash spend it. The clock must outlive its use.
    void SetClock(SimClock* clock);
    // When the camera's time reaches `us` the camera is unplugged: the call
    // then in progress and every later one fail as after FailFromCall. A
    // program or erase running at `us` is left partly done, its bits drawn
    // from `seed`, more of them done the further it had got.
    void CutPowerAt(uint64_t us, uint32_t seed);
    // Every program, erase and status write the flash performed since the
    // camera was made (ClearTrace keeps them), on the camera's time.
    const std::vector<BusySpan>& BusySpans() const;

    // Inspection. Reg() looks without side effects; SetReg() writes as a
    // host write would, except that 0x20FF takes the value (= SetChipId).
    uint8_t Reg(uint16_t address) const;
    void SetReg(uint16_t address, uint8_t value);
    uint16_t WideReg(uint16_t address) const;
    void SetWideReg(uint16_t address, uint16_t value);
    uint8_t DownloadEnable() const;
    const std::vector<uint8_t>& EnableHistory() const;
    bool EngineEnabled() const;
    bool Committed() const;              // selector 12 = 1 seen while enabled
    uint32_t PacketsReceived() const;    // accepted packets, since the camera was made
    uint64_t BytesReceived() const;      // their bytes
    uint32_t EraseCount() const;         // erase sequences the download engine issued
    uint8_t Checksum() const;            // the engine's true XOR since the last enable
    uint64_t WritePosition() const;      // where the next packet goes
    uint8_t CommandSlot() const;         // the slot last named on selector 7
    std::array<uint8_t, 13> CommandTable() const;  // slots 1..12, then the mode byte
    uint32_t FlashReadAddress() const;   // selector 14

    // The flash: 65536 bytes, erased (0xFF) at start; keep the size. Selector
    // 15 reads it wrapping at 64 KiB; a blank part reads its stuck level.
    std::vector<uint8_t>& Flash();
    const std::vector<uint8_t>& Flash() const;
    bool LoadFlash(const std::string& path);        // false unless exactly 65536 bytes
    bool SaveFlash(const std::string& path) const;
    uint8_t FlashStatus() const;         // the status register, without counting a read
    FlashPart FittedPart() const;

    // Trace. Calls are numbered from 0; ClearTrace() empties the record and
    // restarts the numbering, which the call-index faults count in too.
    const std::vector<Call>& Calls() const;
    std::vector<Request> Requests() const;
    void ClearTrace();

    // Faults. A failed call is not performed.
    void FailCallOnce(size_t k);
    void FailFromCall(size_t k);          // the camera is unplugged from call k on
    void FailSelector(uint32_t selector); // every call naming it, posts included
    void SetFailureResult(HRESULT hr);    // default HRESULT_FROM_WIN32(ERROR_GEN_FAILURE)
    void SetGarbageOnFailedRead(bool on);
    void StickBusyFromCall(size_t k);     // SPI engine busy for good from call k on
    void StickWipFromCall(size_t k);      // flash write-in-progress for good from call k on
    void SetChecksumError(uint8_t xorMask);  // selector 11 answers XOR ^ mask
    void StallInfo(uint32_t selector);    // its access-flags (GET_INFO) request stalls
    void ClearFaults();

    // Called at the start of every KsProperty, WriteFrame and ReadFrame.
    void SetCallHook(std::function<void()> hook);

private:
    std::shared_ptr<Device> device_;
};

}  // namespace simcam
