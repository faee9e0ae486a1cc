// A clock that never sleeps: a wait is recorded and moves the time on.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/clock.h"
#include "simcam/sim_clock.h"
#include "tests/support/rig_scope.h"

class VirtualClock : public Clock {
public:
    void Sleep(uint32_t ms) override {
        sleeps.push_back(ms);
        now += ms;
    }
    uint64_t NowMs() override { return now; }

    std::vector<uint32_t> sleeps;
    uint64_t now = 0;
};

// The simulated camera's view of a virtual clock: the camera sees its time,
// and the camera's own waits move it on, the parts of a millisecond kept.
class CameraClock : public simcam::SimClock {
public:
    explicit CameraClock(VirtualClock& clock) : clock_(clock) {}
    uint64_t NowUs() override { return clock_.now * 1000 + partUs_; }
    void Spend(uint64_t us) override {
        partUs_ += us;
        clock_.now += partUs_ / 1000;
        partUs_ %= 1000;
    }

private:
    VirtualClock& clock_;
    uint64_t partUs_ = 0;
};

// Puts a clock in place for one scope.
using ScopedClock = Scoped<Clock*, SetClock>;
