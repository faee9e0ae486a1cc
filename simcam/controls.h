// The extension unit's controls: one row per selector, with its length and
// the directions the device accepts. Anything not in the table is no control.
#pragma once

#include <cstdint>

namespace simcam {

enum Selector : uint32_t {
    kSelRegAddress = 2,
    kSelRegData = 3,
    kSelWideAddress = 4,
    kSelWideData = 5,
    kSelCmdSlot = 7,
    kSelCmdValue = 8,
    kSelDownloadEnable = 9,
    kSelDownloadData = 10,
    kSelChecksum = 11,
    kSelFinish = 12,
    kSelReadAddress = 14,
    kSelFlashData = 15,
    kSelFlashMode = 16,
};

// Where a control's length comes from: fixed, or the configured packet
// length P / block length B.
enum class LengthFrom { Fixed, Packet, Block };

struct ControlRow {
    uint32_t selector;
    LengthFrom from;
    uint32_t length;  // for Fixed
    bool canSet;
    bool canGet;
};

// A row's directions as the KS access flags answer them.
constexpr uint32_t kAccessGet = 0x00000001;  // KSPROPERTY_TYPE_GET
constexpr uint32_t kAccessSet = 0x00000002;  // KSPROPERTY_TYPE_SET

// The row for `selector`, or null when the unit has no such control.
const ControlRow* FindControl(uint32_t selector);

}  // namespace simcam
