// What the serial-flash side of the chip layer speaks in: flash commands,
// flash types, the direct program request and the engine's wait bounds.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

// Standard serial-flash opcodes sent through the chip's SPI engine.
constexpr uint8_t SPI_PAGE_PROGRAM = 0x02;
constexpr uint8_t SPI_WRITE_DISABLE = 0x04;
constexpr uint8_t SPI_READ_STATUS = 0x05;
constexpr uint8_t SPI_WRITE_ENABLE = 0x06;
constexpr uint8_t SPI_READ_MANUFACTURER_ID = 0x90;
constexpr uint8_t SPI_READ_SIGNATURE = 0xAB;
constexpr uint8_t SPI_READ_JEDEC_ID = 0x9F;

constexpr uint8_t kStatusWriteInProgress = 0x01;
constexpr uint8_t kSpiEngineOn = 0x80;
constexpr uint8_t kSpiEngineReleased = 0x00;

// The select level written before a flash transaction; 2 minus it after.
constexpr uint8_t SpiSelectLevel = 2;

// FlashType: the recognised serial flash, 0..6, or this when unknown.
constexpr int32_t kFlashTypeUnknown = -1;

// What the identification made of the fitted flash. When it could not
// finish, stoppedAt names the step (a failed request or a wait that gave
// up) and type is unknown: nothing may be decided on such a flash.
struct FlashIdentity {
    int32_t type = kFlashTypeUnknown;
    const char* stoppedAt = nullptr;
    bool Finished() const { return stoppedAt == nullptr; }
};

// A flash block is what one read of the flash read path fetches.
constexpr uint32_t kFlashBlockBytes = 4096;

// A direct page program: address most significant byte first, as it goes
// to the flash, then count bytes of data.
constexpr uint16_t kFlashProgramMaxBytes = 33;
struct FlashProgramRequest {
    uint8_t address[3];
    uint8_t data[kFlashProgramMaxBytes];
    uint16_t count;
};

// The engine never went idle, or the flash never finished, within bound.
#define SPI_E_TIMEOUT HRESULT_FROM_WIN32(1460L /* ERROR_TIMEOUT */)
// The camera reported a flash block length this program cannot take.
#define FLASH_E_BLOCK_LENGTH HRESULT_FROM_WIN32(13L /* ERROR_INVALID_DATA */)
// Reading on would spend more requests than the caller allowed.
#define FLASH_E_REQUEST_BOUND HRESULT_FROM_WIN32(1450L /* ERROR_NO_SYSTEM_RESOURCES */)

// Bounds of the engine's busy wait. The engine shifts a byte out in a few
// microseconds while one poll is a USB round trip of 1-2 ms, so it is idle by
// the first or second poll; 100 polls or half a second means it is stuck.
constexpr uint32_t kSpiIdleMaxPolls = 100;
constexpr uint64_t kSpiIdleTimeoutMs = 500;

// Bounds of the flash's write-in-progress wait. A page program takes at most
// about 5 ms on these parts and one status pass costs several milliseconds,
// so it ends within two passes; 100 passes or one second (200 times the
// worst case) means the flash or the camera has gone.
constexpr uint32_t kFlashReadyMaxPasses = 100;
constexpr uint64_t kFlashReadyTimeoutMs = 1000;

// Attempts at the deselect that ends a page program. The program runs only
// once the flash is deselected, and until then every byte the engine clocks
// goes into it, so a lost deselect is made again before anything else is
// sent. A request lost now and then fails at once and is ridden out by the
// next attempt; a camera that refuses four in a row, or lets them run past
// two seconds (a driver gives up on one request after about five), has gone.
constexpr int kSpiDeselectAttempts = 4;
constexpr uint64_t kSpiDeselectTimeoutMs = 2000;
