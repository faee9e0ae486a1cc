// The camera's time and the moment its power goes. Without a clock set the
// camera keeps its own: a round trip at every driver call, and whatever the
// camera spends waiting. It never sleeps for real.
#pragma once

#include <cstdint>

#include "simcam/sim_clock.h"

namespace simcam {

// One extension-unit request through the operating system takes 1 to 2 ms.
constexpr uint64_t kRoundTripUs = 1000;

class CameraTime {
public:
    void SetClock(SimClock* clock) { clock_ = clock; }
    uint64_t NowUs() const { return clock_ ? clock_->NowUs() : ownUs_; }
    // A driver call begins; a clock set from outside counts it itself.
    void CallBegins() {
        if (!clock_) ownUs_ += kRoundTripUs;
    }
    // Waits `us`, but no further than the power cut: false once it is reached.
    bool Spend(uint64_t us);

    void CutAt(uint64_t us) {
        cutUs_ = us;
        cutSet_ = true;
    }
    bool PastCut() const { return cutSet_ && NowUs() >= cutUs_; }
    uint64_t CutUs() const { return cutUs_; }

private:
    void Move(uint64_t us);

    SimClock* clock_ = nullptr;
    uint64_t ownUs_ = 0;
    uint64_t cutUs_ = 0;
    bool cutSet_ = false;
};

}  // namespace simcam
