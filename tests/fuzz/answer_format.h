// The fuzz input is a camera's answers. One byte of set-up comes first;
// then, for every driver call in the order the program makes them, one
// byte says how the camera answers that call, followed by the bytes the
// answer carries, if it carries any. When the input runs out the camera is
// gone: every call fails and delivers nothing.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace answers {

// Set-up bits.
constexpr uint8_t kDriverPath = 0x01;  // the camera offers IDriverXu, else only the KS node
constexpr uint8_t kListsOurId = 0x02;  // the imaging devices include the camera's hardware ID

// How a call is answered, from the low three bits of its byte. 0 to 4 are
// the normal answer, so that most bytes let the run go on: success, with a
// read's data, or a KS length query's ERROR_MORE_DATA and 4-byte count.
enum class How { Normal, Silent, Fail, Garbage };
constexpr How HowOf(uint8_t b) {
    switch (b & 7) {
    case 5: return How::Silent;   // success that delivers nothing (S_OK, or S_FALSE when bit 3 is set)
    case 6: return How::Fail;     // failure that delivers nothing
    case 7: return How::Garbage;  // failure after delivering what a normal answer would
    default: return How::Normal;
    }
}
constexpr uint8_t ByteFor(How how) {
    return how == How::Silent ? 5 : how == How::Fail ? 6 : how == How::Garbage ? 7 : 0;
}
constexpr HRESULT SilentResult(uint8_t b) { return (b & 8) ? S_FALSE : S_OK; }

// The failure every failing answer gives: ERROR_GEN_FAILURE, as a stalled
// USB transfer reports.
constexpr HRESULT kFailure = static_cast<HRESULT>(0x8007001Fu);
// A KS length query's normal answer.
constexpr HRESULT kMoreData = static_cast<HRESULT>(0x800700EAu);

// A driver frame's header: data length, request code, selector.
constexpr uint8_t kWriteCode = 0x01;
constexpr uint8_t kReadCode = 0x81;
constexpr uint8_t kLengthCode = 0x85;
constexpr uint32_t kLengthAnswerBytes = 4;  // a length query's answer is a 32-bit length

}  // namespace answers
