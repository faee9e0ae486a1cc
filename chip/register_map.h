// Chip registers of the camera's processor that this program touches.
// 8-bit registers unless named WIDE_.
#pragma once

#include <cstdint>

// Serial-flash engine.
constexpr uint16_t REG_SPI_CONTROL = 0x2020;   // 0x80 engine on, 0x00 released
constexpr uint16_t REG_SPI_BUSY = 0x2021;      // 0 when idle
constexpr uint16_t REG_SPI_TRANSMIT = 0x2022;  // each write sends one byte
constexpr uint16_t REG_SPI_RECEIVE = 0x2023;   // read to clock in one byte
constexpr uint16_t REG_SPI_DATA = 0x2024;      // the byte received
constexpr uint16_t REG_SPI_SELECT = 0x2025;    // flash select level

constexpr uint16_t REG_IMAGE_SELECT = 0x2045;  // bit 2 chooses the firmware image
constexpr uint16_t REG_PRE_DOWNLOAD = 0x20BA;  // bits 0 and 1 cleared before a download
constexpr uint16_t REG_CHIP_ID = 0x20FF;       // chip identity, read only

// The image sensor's identity, in the 16-bit space behind a page register.
constexpr uint16_t WIDE_REG_PAGE = 0xFCFC;
constexpr uint16_t WIDE_REG_SENSOR_ID = 0x0152;
constexpr uint16_t kSensorPage = 0x7000;
constexpr uint16_t kSensorId = 0x06AA;
