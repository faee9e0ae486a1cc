// One simulated camera as a test scenario describes it: a text file of
// "key value" lines ('#' starts a comment). Keys, all optional:
//
//   chip_id 0x65            register 0x20FF
//   flash_part Type4        Type0 Type1 Type2a Type2b Type3 Type4 Type5 Type6
//                           Blank00 BlankFF Unknown
//   flash_in PATH           the 65536 bytes the flash starts with (else erased)
//   reg_2045 0x04           register 0x2045
//   sensor fitted           or: absent
//   packet_length 64        selector 10's length
//   busy_polls 0            SPI engine busy polls per byte
//   wip_reads 1             write-in-progress status reads per program or erase
//   spi_busy clears         or: stuck, the SPI engine never reports idle
//   node 2                  the extension unit's KS node
//   unplug_after_packets N  every call after the Nth accepted packet fails
//   fail_selector S         every call naming selector S fails (may repeat)
//   checksum_error MASK     selector 11 answers the true XOR ^ MASK
//   download_delay_ms N     each call while the download engine is enabled
//                           takes N ms longer: a slow link, time to press keys
//   interfaces ks           which driver path the filter offers: ks, xu or both
//   bind works              or: fails, the filter refuses to load and binding
//                           the device fails
//   flash_out PATH          where the flash contents are written
//   trace_out PATH          where the request trace is written
//   usb_id 4271:03D5        how the system lists the device (read by
//   serial TEXT             sim_configure, not the server): its USB IDs,
//   port N                  its serial number, the port it is plugged into
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "simcam/flash_parts.h"

namespace e2e {

struct Scenario {
    uint8_t chipId = 0x65;
    simcam::FlashPart flashPart = simcam::FlashPart::Type0;
    std::string flashIn;
    uint8_t reg2045 = 0x00;
    bool sensorFitted = true;
    uint32_t packetLength = 64;
    uint32_t busyPolls = 0;
    uint32_t wipReads = 1;
    uint32_t node = 2;
    bool spiBusyStuck = false;
    uint32_t unplugAfterPackets = 0;  // 0: never unplugged
    std::vector<uint32_t> failSelectors;
    uint8_t checksumError = 0;
    uint32_t downloadDelayMs = 0;
    bool offersKs = true;
    bool offersXu = false;
    bool bindFails = false;
    std::string flashOut;
    std::string traceOut;
};

// False, with a line saying why in *error, when the file cannot be read or
// holds a key or value this reader does not know.
bool ReadScenario(const std::string& path, Scenario* scenario, std::string* error);

}  // namespace e2e
