// One program, erase or status write the flash performed: when it ran and
// which bytes it touched, so that a test can choose a moment inside it.
#pragma once

#include <cstdint>

namespace simcam {

struct BusySpan {
    uint64_t startUs, endUs;  // busy from start until end (end not included)
    enum class Kind { Program, Erase, StatusWrite } kind;
    uint32_t address;  // a program: the first byte given; a status write: 0
    uint32_t length;   // the bytes it programs or erases; a status write: 0
};

}  // namespace simcam
