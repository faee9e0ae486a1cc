// The HRESULTs the simulated camera answers with. Each failure has its own
// value so a test can tell a malformed request from a refused transfer.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace simcam {

// HRESULT_FROM_WIN32 is not constexpr on every build; this one is.
constexpr HRESULT FromWin32(uint32_t code) {
    return static_cast<HRESULT>(0x80070000u | (code & 0xFFFFu));
}

constexpr uint32_t kErrorGenFailure = 31;     // ERROR_GEN_FAILURE
constexpr uint32_t kErrorNoData = 232;        // ERROR_NO_DATA
constexpr uint32_t kErrorMoreData = 234;      // ERROR_MORE_DATA
constexpr uint32_t kErrorNotFound = 1168;     // ERROR_NOT_FOUND
constexpr uint32_t kErrorSetNotFound = 1170;  // ERROR_SET_NOT_FOUND

constexpr HRESULT kOk = 0;
// The device stalled the transfer: wrong length, wrong direction, or a
// value the control refuses (a packet while the engine is disabled).
constexpr HRESULT kStall = FromWin32(kErrorGenFailure);  // 0x8007001F
// The selector names no control of this unit.
constexpr HRESULT kNoSuchControl = FromWin32(kErrorNotFound);  // 0x80070490
// The KS property set is not the camera's extension unit.
constexpr HRESULT kWrongSet = FromWin32(kErrorSetNotFound);  // 0x80070492
// A KS length query's normal answer: the length is in *BytesReturned.
constexpr HRESULT kMoreData = FromWin32(kErrorMoreData);  // 0x800700EA
// ReadFrame with no read or length query posted before it.
constexpr HRESULT kNothingPosted = FromWin32(kErrorNoData);  // 0x800700E8
// The request itself is malformed (flags, node, sizes, request code).
constexpr HRESULT kBadRequest = static_cast<HRESULT>(0x80070057u);  // E_INVALIDARG
constexpr HRESULT kNullPointer = static_cast<HRESULT>(0x80004003u);  // E_POINTER
constexpr HRESULT kNotImplemented = static_cast<HRESULT>(0x80004001u);  // E_NOTIMPL
constexpr HRESULT kNoInterface = static_cast<HRESULT>(0x80004002u);  // E_NOINTERFACE

}  // namespace simcam
