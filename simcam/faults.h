// Fault injection: which driver calls fail, and which device parts
// misbehave from which call on. Calls are counted as the trace numbers them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>

#include "platform/win_types.h"
#include "simcam/results.h"

namespace simcam {

class Faults {
public:
    void FailCallOnce(size_t index) { once_.insert(index); }
    void FailFromCall(size_t index) {
        if (!failFromSet_ || index < failFrom_) failFrom_ = index;
        failFromSet_ = true;
    }
    // The camera lost its power: every call fails from here on.
    void Unplug() { unplugged_ = true; }
    void FailSelector(uint32_t selector) { selectors_.insert(selector); }
    void SetResult(HRESULT hr) { result_ = hr; }
    HRESULT Result() const { return result_; }

    void SetGarbageOnFailedRead(bool on) { garbage_ = on; }
    bool GarbageOnFailedRead() const { return garbage_; }

    void StickBusyFrom(size_t index) { busyFrom_ = index; busySet_ = true; }
    bool BusyStuck(size_t index) const { return busySet_ && index >= busyFrom_; }
    void StickWipFrom(size_t index) { wipFrom_ = index; wipSet_ = true; }
    bool WipStuck(size_t index) const { return wipSet_ && index >= wipFrom_; }

    void StallInfo(uint32_t selector) { infoStalls_.insert(selector); }
    bool InfoStalls(uint32_t selector) const { return infoStalls_.count(selector) > 0; }

    void SetChecksumError(uint8_t mask) { checksumMask_ = mask; }
    uint8_t ChecksumError() const { return checksumMask_; }

    // True when call `index` must fail; a one-shot failure is used up here.
    // `selector` is null when the call names none that could be decoded.
    bool Strike(size_t index, const uint32_t* selector);

    void Clear() { *this = Faults(); }

private:
    std::set<size_t> once_;
    size_t failFrom_ = 0;
    bool failFromSet_ = false;
    bool unplugged_ = false;
    std::set<uint32_t> selectors_;
    std::set<uint32_t> infoStalls_;
    HRESULT result_ = FromWin32(kErrorGenFailure);
    bool garbage_ = false;
    size_t busyFrom_ = 0;
    bool busySet_ = false;
    size_t wipFrom_ = 0;
    bool wipSet_ = false;
    uint8_t checksumMask_ = 0;
};

// What a failed read may leave in the caller's buffer: bytes that change
// from call to call and are not all one value.
void FillGarbage(uint8_t* out, size_t length, size_t seed);

}  // namespace simcam
