// The camera's processor as one model behind both driver paths: it owns
// every part of the device, serves the extension unit's controls by
// selector, and numbers, checks and records each driver call.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/win_types.h"
#include "simcam/camera_time.h"
#include "simcam/download_engine.h"
#include "simcam/faults.h"
#include "simcam/nor_flash.h"
#include "simcam/register_space.h"
#include "simcam/spi_engine.h"
#include "simcam/trace.h"

namespace simcam {

class Device {
public:
    Device() : flash(time), spi(flash), download(flash, time) {}
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // Runs the test hook, numbers the call and applies the faults that
    // start at a call index. Every driver call starts here.
    size_t BeginCall();
    // True once the camera's time has reached the power cut; the first time,
    // the flash is left as the cut left it and every call fails from then on.
    bool PowerGone();

    // Control level: what both ports perform once a request is decoded.
    HRESULT LengthOf(uint32_t selector, uint32_t* length) const;
    // The directions the control takes, as KSPROPERTY_TYPE_GET / _SET flags.
    HRESULT AccessOf(uint32_t selector, uint32_t* flags) const;
    HRESULT Set(uint32_t selector, const uint8_t* data, uint32_t length);
    // Writes `out` only on success.
    HRESULT Get(uint32_t selector, uint8_t* out, uint32_t length);

    // Register access as a host transfer makes it (SPI engine side effects
    // included), and a look without side effects.
    uint8_t ReadReg(uint16_t address);
    void WriteReg(uint16_t address, uint8_t value);
    uint8_t PeekReg(uint16_t address) const;

    RegisterSpace regs;
    CameraTime time;  // before the flash and the engine that run on it
    uint32_t cutSeed = 0;
    NorFlash flash;  // before the two engines that drive it
    SpiEngine spi;
    DownloadEngine download;
    Trace trace;
    Faults faults;
    std::function<void()> hook;

    uint32_t nodeId = 2;
    uint32_t packetLength = 64;
    uint32_t blockLength = 4096;
    uint16_t regAddress = 0;
    uint16_t wideAddress = 0;
    uint32_t readAddress = 0;  // selector 14; reads wrap at the end of the flash

private:
    bool powerGone_ = false;

    HRESULT SetValue(uint32_t selector, const uint8_t* data, uint32_t length);
    void GetValue(uint32_t selector, uint8_t* out, uint32_t length);
};

}  // namespace simcam
