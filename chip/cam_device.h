// The camera device object: every request to the camera's processor goes
// through it, and through the process-wide channel pExt beneath it.
// Results: register primitives and engine waits return the channel's
// HRESULT (SPI_E_TIMEOUT when a wait gave up); sequence operations return 1
// for success and 0 for failure; IdentifyFlash returns a FlashIdentity. Nothing
// here logs or retries: the caller, which knows what a failure means, does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "chip/flash_types.h"
#include "chip/chip_family.h"
#include "platform/camera_identity.h"
#include "platform/win_types.h"

class CameraSource;  // discovery's, which defines the walk

// The step where a download first stopped being a success, with the
// request's result where a request failed (S_OK where the camera answered
// but the answer was wrong), so that the caller can say why as a value.
enum class DownloadStep {
    None, CommandTable, Enable, PacketLength, Packets, ProgramIds, Checksum, ChecksumMismatch, Commit, Disable,
    Verify,
};
struct DownloadFault {
    DownloadStep step = DownloadStep::None;
    HRESULT result = S_OK;
};

// Told of a download's progress, on the thread that runs it: bytes the
// engine has taken, of the image's length; and, before the download
// returns a failure, its first fault.
class DownloadObserver {
public:
    virtual void OnProgress(uint32_t bytesDone, uint32_t bytesTotal) = 0;
    virtual void OnFault(const DownloadFault& /*fault*/) {}

protected:
    ~DownloadObserver() = default;
};

class CCamDevice {
public:
    // Clears pExt; whoever replaces a device object closes the old one first.
    CCamDevice();

    // Register primitives: the address request, then the value request.
    // Each returns the value request's result; a failed read stores 0.
    HRESULT WriteReg(uint16_t address, uint8_t value);
    // The same with the address request examined too: a write whose address
    // was lost lands in the register addressed before. The first failure's
    // result, else the value request's.
    HRESULT WriteRegWhole(uint16_t address, uint8_t value);
    HRESULT ReadReg(uint16_t address, uint8_t* value);
    HRESULT WriteWideReg(uint16_t address, uint16_t value);
    HRESULT ReadWideReg(uint16_t address, uint16_t* value);

    // Mode 0 ANDs the register with mask, mode 1 ORs it; any other mode
    // writes nothing and returns 1. A failed read or write returns its result.
    HRESULT ModifyReg(uint16_t address, uint8_t mask, int32_t mode);

    // Finds the first camera of the supported family among the video
    // capture devices, leaves pExt attached to it, copies its friendly name
    // into name (80 bytes, always terminated) and appends the driver path
    // to log. 1 when a camera was accepted, else 0.
    // The process-wide camera source's walk.
    int32_t OpenCamera(std::string& log, char* name);
    // The same walk over `source` (null: none, so no camera), which is then
    // also the one FindHardwareId asks: one camera checked through a
    // source of its own swaps nothing process-wide.
    int32_t OpenCamera(std::string& log, char* name, CameraSource* source);
    // 1 when the hardware ID of the device that owns the opened camera
    // carries vendor 4271 and product 03D5; another camera's never counts.
    // vendor and product (4 characters each, no terminator) receive those
    // of the last ID examined. Asks the source the camera was opened
    // through, or the process-wide one before any open.
    int32_t FindHardwareId(char* vendor, char* product);

    // Powers up the image sensor; 1 when the whole sequence ran, else 0.
    int32_t SensorBringUp();
    // 1 when the image sensor reports the expected identity, else 0.
    int32_t ProbeSensorId();

    // Download enable 1 then 0; 1 when the closing write succeeded, 0 when
    // it failed or there is no channel (then nothing is sent). Needs no
    // device object: the window may ask for it before there is one.
    static int32_t PulseDownloadEnable();
    // Deletes the channel, if any, and clears pExt.
    static void CloseChannel();

    // The serial-flash engine, one byte at a time through its registers.
    // The waits give up within their bounds with SPI_E_TIMEOUT; a poll whose
    // read fails does not count as idle or ready.
    // Each stops at its first failed write with that write's result.
    HRESULT SpiWaitIdle();
    HRESULT SpiWriteDisable();
    // A failed write's result, SPI_E_TIMEOUT, or that of its closing deselect.
    HRESULT SpiWriteEnable();
    // Sends opcode and reads three bytes, deselecting the flash at the end
    // whatever happened: S_OK, SPI_E_TIMEOUT, or a failed request's result.
    HRESULT SpiReadId(uint8_t out[3], uint8_t opcode, ChipFamily family);
    HRESULT FlashWaitReady();
    // Deselects the flash (2 minus SpiSelectLevel), both requests examined,
    // up to kSpiDeselectAttempts times within kSpiDeselectTimeoutMs: S_OK or
    // the last failure's result.
    HRESULT SpiDeselect();

    // The fitted flash as a FlashType 0..6; kFlashTypeUnknown when it
    // answered outside the tables (or the chip family is not known), or
    // when a wait gave up or a request failed on the way, stoppedAt then
    // naming which; the engine is then released.
    FlashIdentity IdentifyFlash();
    // Reads flash block n (n x 4096) through the flash read path into a
    // buffer of kFlashBlockBytes: E_POINTER without a buffer or a channel,
    // FLASH_E_BLOCK_LENGTH for a read length that does not fit a block.
    // *length, when given, receives how many bytes were asked (0 when refused).
    HRESULT ReadFlashBlock(uint8_t* buffer, int32_t block, ULONG* length = nullptr);
    // Its two halves: how many bytes one read carries (checked as above),
    // and one read of that many from a flash address.
    HRESULT FlashReadLength(ULONG* length);
    // A failed address write fails the read.
    HRESULT ReadFlash(uint8_t* buffer, uint32_t address, ULONG length);
    // Blocks 0..blocks-1, whole, into a buffer of blocks x kFlashBlockBytes
    // through the block read path: the first failure's result, or S_OK.
    // No block is begun whose requests, at the length the camera answers
    // for it, would take the run past mostRequests: FLASH_E_REQUEST_BOUND.
    HRESULT ReadFlashBlocks(uint8_t* buffer, int32_t blocks, uint32_t mostRequests = UINT32_MAX);
    // Programs a few bytes straight into the flash; 1 on success, else 0.
    // A step that fails ends it with the flash deselected and the engine
    // released. *deselect, when given, receives the result of the deselect
    // that closed the program: below 0 when the flash could not be
    // deselected, the program still open to any byte the engine sends.
    int32_t FlashProgramBytes(const FlashProgramRequest& request, HRESULT* deselect = nullptr);

    // Writes an image into the flash through the download engine and
    // verifies it; 1 when verified and committed without a resend, else 0.
    // Appends its messages to log; tells observer, when given, after each
    // packet the engine took.
    int32_t DownloadFirmware(const uint8_t* image, uint32_t length, std::string& log,
                             int32_t flashType, DownloadObserver* observer = nullptr);

    // Clears bits 0 and 1 of 0x20BA, lets the processor settle, then reads
    // bit 2 of 0x2045: 1 chooses image V0308, 0 image V0309. A failed read
    // of 0x2045 chooses 0.
    int32_t ReadImageChoice();

    // The camera OpenCamera accepted, as discovery found it; the update
    // confirms it at the reopen.
    CameraIdentity camera;

    // The download's target among several cameras on one engine; this
    // program always has one, at index 1, and keeps no per-target results.
    int32_t targetIndex = 1;
    uint8_t* targetResults = nullptr;

private:
    CameraSource* openedThrough_ = nullptr;
    bool opened_ = false;  // OpenCamera has chosen openedThrough_
    HRESULT SpiReadIdBytes(uint8_t out[3], uint8_t opcode, uint8_t select);
};
